#pragma once

// The program's eight windows, created once at start in a fixed order and reused until the end.

#include "shell/app_state.h"

#include <memory>

namespace tarnbeck {

class TForm1;
class TcForm;
class TLoginForm;
class TAbout;
class TNewObject;
class Ttoplicform;
class TTrees2;
class TTreesForm;

struct Windows {
    // Creates them in order: main window, browser, login, about, new object, settings,
    // connected trees, select tree. The dialogs belong to the main window.
    explicit Windows(AppState &app);
    ~Windows();

    std::unique_ptr<TForm1> main;
    TcForm *cForm = nullptr;
    TLoginForm *LoginForm = nullptr;
    TAbout *About = nullptr;
    TNewObject *NewObject = nullptr;
    Ttoplicform *toplicform = nullptr;
    TTrees2 *Trees2 = nullptr;
    TTreesForm *TreesForm = nullptr;
};

} // namespace tarnbeck
