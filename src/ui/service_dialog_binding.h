#pragma once

#include "service/services.h"
#include "ui/dialogs.h"

namespace norva {

// The services dialog's actions over the service operations: the widgets
// are copied into the dialog's state and back around each step.
ServiceDialogActions bindServiceDialog(Services& services);

}  // namespace norva
