#include "AcquisitionStop.h"

#include "Session.h"

namespace kolmaris {

bool StopAcquisition(Session& session, QWidget*, QWidget*, const QString&)
{
    return !session.model.AcquisitionRunning;
}

}  // namespace kolmaris
