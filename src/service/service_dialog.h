#pragma once

#include "service/services.h"

namespace norva {

// What the services dialog shows; the widgets copy it in and out.
struct ServiceDialogState {
  bool systemPage = false;  // the service page; otherwise the autostart page
  bool checkAutostart = false;
  bool checkService = false;
  int startType = 0;  // 0 "Automatic", 1 "Manual", -1 none chosen
  bool stopEnabled = false;
  bool startEnabled = false;
};

// The services dialog's behaviour, apart from its widgets.
class ServiceDialogLogic {
 public:
  explicit ServiceDialogLogic(Services& services) : services_(services) {}

  // Fills the dialog from the system as it is now.
  ServiceDialogState FormCreate();
  // Acts only on a changed tick: a new start type alone changes nothing.
  void OKClick(const ServiceDialogState& shown);
  void ButtonStopClick(ServiceDialogState& shown);
  void ButtonStartClick(ServiceDialogState& shown);

 private:
  Services& services_;
  bool nt_ = false;
  bool installed_ = false;
};

}  // namespace norva
