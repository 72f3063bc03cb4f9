#pragma once
// The main window: live state of the terminal, the selected probe and actuator, alarms,
// acquisition controls and the menu that opens every tool window.

#include <QMainWindow>

namespace kolmaris {

struct Session;

class TMainWND : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainWND(Session& session, QWidget* parent = nullptr);
    ~TMainWND() override;

public slots:
    void Timer1Timer();

private:
    Session& session_;
};

}  // namespace kolmaris
