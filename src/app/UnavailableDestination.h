#pragma once

#include "dispatch/MenuModel.h"
#include "platform/Platform.h"

#include <QString>

namespace ferrolet {

// The greyed folder item of menu (searched depth first) that carries tag and
// a reason why its destination cannot take the selection; nullptr if none.
const MenuItem* FindUnavailableDestination(const Menu& menu, int tag);

// Tells the user in plain words that the command of item was refused and
// why (one notification), and returns the same as one line for standard
// error: Move To "/data/Gone" is not possible now: not found.
QString ReportUnavailableDestination(Platform& platform, const MenuItem& item);

} // namespace ferrolet
