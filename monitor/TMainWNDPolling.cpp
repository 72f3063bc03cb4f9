#include "TMainWND.h"

namespace kolmaris {

void TMainWND::Timer1Timer() {}

}  // namespace kolmaris
