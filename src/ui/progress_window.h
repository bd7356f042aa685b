#pragma once

// The window shown while Execute or Update group runs on the interface thread. It is modal to
// the whole program, so the other windows take no input while the work runs: what is clicked
// meanwhile is dropped, never replayed once the work is done. It counts what is done and keeps
// every window painted. It takes no input itself; its button row is where a control of the
// work (such as a way to stop it) belongs.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tarnbeck {

class ProgressWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ProgressWindow(QWidget *parent = nullptr);

    // Opens the window unless it is open: `maximum` steps, or a bare count when 0. A work that
    // can end between two steps offers Stop.
    void begin(const QString &title, int maximum, bool stoppable = false);
    // Shows the step reached and what it means; repaints now and then.
    void advance(int value, const QString &text);
    // Closes the window; nothing happens when it is not open.
    void end();
    // Stop was pressed since the window opened: the work ends after the step it is on.
    bool stopRequested() const { return stopRequested_; }

    QLabel *label;
    QProgressBar *bar;
    QHBoxLayout *buttonRow;
    QPushButton *stopButton;

  public slots:
    void reject() override {} // Escape does not end the work

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void repaintWindows();

    QElapsedTimer sinceRepaint_;
    bool stopRequested_ = false;
};

// Closes the progress window when the work ends, however it ends.
class ProgressEnd {
  public:
    explicit ProgressEnd(ProgressWindow &window) : window_(window) {}
    ~ProgressEnd() { window_.end(); }
    ProgressEnd(const ProgressEnd &) = delete;
    ProgressEnd &operator=(const ProgressEnd &) = delete;

  private:
    ProgressWindow &window_;
};

} // namespace tarnbeck
