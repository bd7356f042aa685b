#include "ui/windows.h"

#include "ui/about_box.h"
#include "ui/browser_dialog.h"
#include "ui/main_window.h"
#include "ui/new_object_dialog.h"
#include "ui/other_dialogs.h"
#include "ui/settings_dialog.h"

namespace tarnbeck {

Windows::Windows(AppState &app) {
    main = std::make_unique<TForm1>(app, *this);
    QWidget *owner = main.get();
    cForm = new TcForm(owner);
    LoginForm = new TLoginForm(owner);
    About = new TAbout(owner);
    NewObject = new TNewObject(owner);
    cForm->SetNewObjectDialog(*NewObject);
    toplicform = new Ttoplicform(owner);
    Trees2 = new TTrees2(owner);
    TreesForm = new TTreesForm(owner);
}

Windows::~Windows() = default;

} // namespace tarnbeck
