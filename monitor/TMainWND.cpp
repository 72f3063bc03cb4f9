#include "TMainWND.h"

#include "Session.h"

namespace kolmaris {

TMainWND::TMainWND(Session& session, QWidget* parent) : QMainWindow(parent), session_(session) {}

TMainWND::~TMainWND() = default;

}  // namespace kolmaris
