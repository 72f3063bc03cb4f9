#include "TMainWND.h"

namespace kolmaris {
}  // namespace kolmaris
