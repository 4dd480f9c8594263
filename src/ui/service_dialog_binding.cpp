#include "ui/service_dialog_binding.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <memory>

#include "service/service_dialog.h"

namespace norva {

namespace {

constexpr int kAutostartPage = 0;
constexpr int kServicePage = 1;

ServiceDialogState read(SetServDialog& d, ServiceDialogState s) {
  s.checkAutostart = d.check95()->isChecked();
  s.checkService = d.checkNT()->isChecked();
  s.startType = d.startAutomatic()->isChecked() ? 0 : d.startManual()->isChecked() ? 1 : -1;
  return s;
}

void showButtons(SetServDialog& d, const ServiceDialogState& s) {
  d.buttonStop()->setEnabled(s.stopEnabled);
  d.buttonStart()->setEnabled(s.startEnabled);
}

void fill(SetServDialog& d, const ServiceDialogState& s) {
  // Only the page for this system; the other one's tab is hidden.
  d.pages()->setTabVisible(kServicePage, s.systemPage);
  d.pages()->setTabVisible(kAutostartPage, !s.systemPage);
  d.pages()->setCurrentIndex(s.systemPage ? kServicePage : kAutostartPage);
  d.check95()->setChecked(s.checkAutostart);
  d.checkNT()->setChecked(s.checkService);
  // A start type that is neither (a static or masked unit) selects no item.
  for (QRadioButton* r : {d.startAutomatic(), d.startManual()}) r->setAutoExclusive(false);
  d.startAutomatic()->setChecked(s.startType == 0);
  d.startManual()->setChecked(s.startType == 1);
  for (QRadioButton* r : {d.startAutomatic(), d.startManual()}) r->setAutoExclusive(true);
  showButtons(d, s);
}

}  // namespace

ServiceDialogActions bindServiceDialog(Services& services) {
  struct Open {
    std::unique_ptr<ServiceDialogLogic> logic;
    ServiceDialogState state;
  };
  auto open = std::make_shared<Open>();
  ServiceDialogActions a;
  a.FormShow = [&services, open](SetServDialog& d) {
    open->logic = std::make_unique<ServiceDialogLogic>(services);
    open->state = open->logic->FormCreate();
    fill(d, open->state);
  };
  a.OKClick = [open](SetServDialog& d) {
    if (open->logic) open->logic->OKClick(read(d, open->state));
  };
  auto button = [open](void (ServiceDialogLogic::*click)(ServiceDialogState&)) {
    return [open, click](SetServDialog& d) {
      if (!open->logic) return;
      open->state = read(d, open->state);
      (open->logic.get()->*click)(open->state);
      showButtons(d, open->state);
    };
  };
  a.ButtonStopClick = button(&ServiceDialogLogic::ButtonStopClick);
  a.ButtonStartClick = button(&ServiceDialogLogic::ButtonStartClick);
  return a;
}

}  // namespace norva
