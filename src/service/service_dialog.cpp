#include "service/service_dialog.h"

namespace norva {

ServiceDialogState ServiceDialogLogic::FormCreate() {
  ServiceDialogState s;
  nt_ = services_.isNtFamily();
  s.systemPage = nt_;
  if (nt_) {
    bool running = false;
    installed_ = services_.QueryService(s.startType, running);
    s.checkService = installed_;
    s.stopEnabled = installed_ && running;
    s.startEnabled = installed_ && !running;
  } else {
    s.checkAutostart = services_.QueryAutostart95();
  }
  return s;
}

void ServiceDialogLogic::OKClick(const ServiceDialogState& shown) {
  if (!nt_) {
    services_.SetAutostart95(shown.checkAutostart);
    return;
  }
  if (shown.checkService != installed_) {
    services_.SetServiceInstalled(shown.checkService, shown.startType, true);
  }
}

void ServiceDialogLogic::ButtonStopClick(ServiceDialogState& shown) {
  if (!nt_) return;
  shown.stopEnabled = !services_.StopService(false);
  shown.startEnabled = !shown.stopEnabled;
}

void ServiceDialogLogic::ButtonStartClick(ServiceDialogState& shown) {
  if (!nt_) return;
  shown.startEnabled = !services_.StartAgentService();
  shown.stopEnabled = !shown.startEnabled;
}

}  // namespace norva
