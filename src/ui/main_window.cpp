#include "ui/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <stdexcept>

#include "core/agent.h"
#include "i18n/tnls.h"
#include "messaging/tmail602.h"
#include "ui/dialogs.h"
#include "ui/help.h"
#include "ui/nls_widgets.h"

namespace norva {

namespace {

QIcon agentIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x1f, 0x5f, 0xa8));
  p.setPen(Qt::NoPen);
  p.drawEllipse(2, 2, 28, 28);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(18);
  p.setFont(f);
  p.drawText(pixmap.rect(), Qt::AlignCenter, "N");
  return QIcon(pixmap);
}

// A menu item with its name, Tag and hint ("short|long", or one text for
// both), the way the language rules and the status bar expect it.
QAction* item(QMenu* menu, const char* name, const char* caption, int tag,
              const char* hint = nullptr) {
  auto* a = menu->addAction(QString::fromUtf8(caption));
  a->setObjectName(QString::fromLatin1(name));
  setNls(a, tag, "TMenuItem");
  if (hint != nullptr) {
    const QString h = QString::fromUtf8(hint);
    const int bar = h.indexOf('|');
    a->setToolTip(bar < 0 ? h : h.left(bar));
    a->setStatusTip(bar < 0 ? h : h.mid(bar + 1));
  }
  return a;
}

QMenu* submenu(QWidget* parentMenu, const char* name, const char* caption, int tag) {
  auto* m = new QMenu(QString::fromUtf8(caption), parentMenu);
  m->menuAction()->setObjectName(QString::fromLatin1(name));
  setNls(m->menuAction(), tag, "TMenuItem");
  if (auto* bar = qobject_cast<QMenuBar*>(parentMenu)) {
    bar->addMenu(m);
  } else {
    static_cast<QMenu*>(parentMenu)->addMenu(m);
  }
  return m;
}

void separator(QMenu* menu, const char* name) {
  QAction* a = menu->addSeparator();
  a->setObjectName(QString::fromLatin1(name));
  setNls(a, 0, "TMenuItem");
}

}  // namespace

MainWindow::MainWindow() {
  setNls(this, 1001, "TForm");
  setWindowTitle("Norva Agent");
  setWindowIcon(agentIcon());
  auto* central = new QWidget(this);
  setCentralWidget(central);
  list_ = new QListWidget(central);
  setNls(list_, 0, "TListBox");
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPixelSize(15);
  list_->setFont(mono);
  list_->setUniformItemSizes(true);
  list_->setStyleSheet(QStringLiteral("QListWidget::item { height: 17px; }"));
  hideButton_ = new QPushButton(QString::fromUtf8("Skrýt"), central);
  setNls(hideButton_, 101, "TButton");
  hideButton_->setDefault(true);
  // Sized now: a button left unsized is resized when first shown, after the
  // layout has placed it by its old width.
  hideButton_->resize(std::max(hideButton_->sizeHint().width(), 75), hideButton_->sizeHint().height());
  statusBar()->showMessage(QString());
  buildMenus();
  resize(495, 371);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!syncingSelection_ && agent_ != nullptr) agent_->log().select(row);
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { ListBox1DblClick(); });
  connect(hideButton_, &QPushButton::clicked, this, [this] {
    if (agent_ != nullptr) agent_->ShowOnTrayClickClick();
  });
}

MainWindow::~MainWindow() {
  if (agent_ != nullptr) agent_->log().removeObserver(this);
}

void MainWindow::buildMenus() {
  QMenuBar* bar = menuBar();
  auto command = [this](QAction* a, void (Agent::*handler)()) {
    connect(a, &QAction::triggered, this, [this, handler] {
      if (agent_ != nullptr) (agent_->*handler)();
    });
  };
  auto window = [this](QAction* a, void (MainWindow::*handler)()) {
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  };

  QMenu* agentMenu = submenu(bar, "Agent1", "&Agent", 100);
  command(item(agentMenu, "ShowOnTrayClick", "&Skrýt", 101,
               "Do lišty|Skrýt okno do systémové lišty"),
          &Agent::ShowOnTrayClickClick);
  separator(agentMenu, "N1");
  command(item(agentMenu, "Ukonit1", "&Ukončit", 102, "Ukončit program"), &Agent::ShutDownClick);
  command(item(agentMenu, "Zastavit1", "Zastavit", 103), &Agent::Zastavit1Click);

  QMenu* settings = submenu(bar, "Nastaven1", "Na&stavení", 200);
  QAction* a = item(settings, "Mail6021", "Mail&602", 201, "Nastavení Mail602");
  a->setProperty("helpContext", 101);
  window(a, &MainWindow::Mail6021Click);
  a = item(settings, "LoklnTrapy1", "&Lokální Trapy", 202);
  a->setProperty("helpContext", 104);
  window(a, &MainWindow::LoklnTrapy1Click);
  a = item(settings, "VpisuLogu1", "Výpisu Lo&gu", 204);
  a->setProperty("helpContext", 102);
  window(a, &MainWindow::VpisuLogu1Click);
  window(item(settings, "tovn1", "Účtování", 205), &MainWindow::tovn1Click);
  window(item(settings, "StartItem", "Služby", 212), &MainWindow::StartItemClick);
  a = item(settings, "Volbasriovhoportu1", "&Volba sériového portu", 203,
           "Určení portu pro komunikaci s ústřednou");
  a->setProperty("helpContext", 103);
  window(a, &MainWindow::Volbasriovhoportu1Click);

  QMenu* baud = submenu(settings, "x1", "Baudová rychlost COM", 210);
  baudGroup_ = new QActionGroup(this);
  for (const char* rate : {"57600", "38400", "19200", "9600"}) {
    const std::string name = std::string("N") + rate;
    QAction* r = item(baud, name.c_str(), rate, 0);
    r->setCheckable(true);
    baudGroup_->addAction(r);
    connect(r, &QAction::triggered, this, [this, r] {  // COMBaudClick
      if (agent_ != nullptr) agent_->ChangeBaudRate(r->text().toStdString());
    });
  }
  separator(baud, "N3");
  connect(item(baud, "Ulo6itdosouboru1", "Uložit do souboru", 211), &QAction::triggered, this,
          [this] {
            if (agent_ != nullptr && !agent_->Ulo6itdosouboru1Click()) reportWriteFailure();
          });

  QMenu* language = submenu(settings, "Volbajazyka1", "Volba jazyka", 206);
  languageGroup_ = new QActionGroup(this);
  for (const auto& [name, code] : {std::pair{"Cz1", "Cz"}, {"De1", "De"}, {"Eng1", "Eng"}}) {
    QAction* l = item(language, name, code, 0);
    l->setCheckable(true);
    languageGroup_->addAction(l);
    connect(l, &QAction::triggered, this, [this, l] {  // LanguageClick
      l->setChecked(true);
      if (agent_ != nullptr && !agent_->LanguageClick(toCp1250(l->text()))) reportWriteFailure();
    });
  }

  QMenu* helpMenu = submenu(bar, "Npovda1", "&Nápověda", 300);
  a = item(helpMenu, "Obsah1", "Obsah", 301);
  a->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
  connect(a, &QAction::triggered, this, [] { help::open(QString()); });
  a = item(helpMenu, "Kontextovnpovda1", "Kontextová nápověda", 302);
  a->setShortcut(QKeySequence(Qt::Key_F1));
  connect(a, &QAction::triggered, this, [] { help::open(QStringLiteral("search")); });
  a = item(helpMenu, "Jakpouvatnpovdu1", "Používání nápovědu ", 303);
  connect(a, &QAction::triggered, this, [] { help::open(QStringLiteral("using-help")); });
  separator(helpMenu, "N2");
  window(item(helpMenu, "Oaplikaci1", "&O aplikaci...", 304, "O aplikaci"),
         &MainWindow::Oaplikaci1Click);

  trayMenu_ = std::make_unique<QMenu>();
  a = item(trayMenu_.get(), "Zobrazit1", "&Zobrazit", 400);
  trayMenu_->setDefaultAction(a);
  command(a, &Agent::ShowOnClick);
  command(item(trayMenu_.get(), "Ukonit2", "&Ukončit", 401), &Agent::ShutDownClick);
}

QAction* MainWindow::menuItem(const QString& name) const {
  if (auto* a = findChild<QAction*>(name)) return a;
  return trayMenu_->findChild<QAction*>(name);
}

void MainWindow::attach(Agent* agent) {
  agent_ = agent;
  agent_->log().addObserver(this);
  about_ = new AboutBox(this, agent_->nls(), QString::fromStdString(Agent::versionText()));
}

// ---- the settings commands ----

void MainWindow::runDialog(QDialog* dialog, bool hold, std::function<bool()> store) {
  if (hold) agent_->HoldPolling(true);
  dialog_ = dialog;
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::finished, this, [this, dialog, hold, store](int result) {
    if (dialog_ == dialog) dialog_ = nullptr;
    try {
      if (result == QDialog::Accepted && store && !store()) reportWriteFailure();
    } catch (const std::exception& e) {
      reportFailure(QString::fromStdString(e.what()));
    }
    if (hold && agent_ != nullptr) agent_->HoldPolling(false);
  });
  // Window-modal and without a nested loop: the agent's timers run on.
  dialog->open();
}

void MainWindow::reportWriteFailure() {
  reportFailure(QStringLiteral("Cannot write ") +
                (agent_ != nullptr ? QString::fromStdString(agent_->iniPath()) : QString()));
}

void MainWindow::reportFailure(const QString& what) {
  auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), what, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void MainWindow::Mail6021Click() {
  if (agent_ == nullptr || dialog_ != nullptr) return;
  TMail602* m = agent_->mailSettings();
  if (m == nullptr) return;
  runDialog(new SetM602Dialog(this, agent_->nls(), m->ConfigPath, m->WorkDir, m->UserName,
                              m->Password),
            true, [this] { return agent_->saveMailSettings(); });
}

void MainWindow::LoklnTrapy1Click() {
  if (agent_ == nullptr || dialog_ != nullptr || agent_->nls() == nullptr) return;
  TMail602* m = agent_->mailSettings();
  if (m == nullptr) return;
  runDialog(new SetTrapDialog(this, *agent_->nls(), m->TrapRecipient, m->TrapAddressType,
                              m->TrapSubject, m->TrapTextOff, m->TrapTextOn),
            true, [this] { return agent_->saveTrapSettings(); });
}

void MainWindow::VpisuLogu1Click() {
  if (agent_ == nullptr || dialog_ != nullptr) return;
  runDialog(new SetPisDialog(this, agent_->nls(), agent_->editableConfig().log), true,
            [this] { return agent_->saveLogSettings(); });
}

void MainWindow::tovn1Click() {
  if (agent_ == nullptr || dialog_ != nullptr) return;
  Configuration& c = agent_->editableConfig();
  runDialog(new SetUctDialog(this, agent_->nls(),
                             QString::fromStdString(directoryOf(agent_->iniPath())), c.uctFile,
                             c.sendUct, c.readUct),
            true, [this] { return agent_->applyAccountingSettings(); });
}

void MainWindow::StartItemClick() {
  if (agent_ == nullptr || dialog_ != nullptr) return;
  runDialog(new SetServDialog(this, agent_->nls(), serviceActions_), false, nullptr);
}

void MainWindow::Volbasriovhoportu1Click() {
  if (agent_ == nullptr || dialog_ != nullptr) return;
  try {
    portIndex_ = agent_->portIndex();
  } catch (const std::out_of_range& e) {
    reportFailure(QString::fromStdString(e.what()));
    return;
  }
  runDialog(new SetPortDialog(this, agent_->nls(), portIndex_), false, [this] {
    // No entry chosen: the port stays as it is.
    if (portIndex_ >= 0 && portIndex_ <= 8) agent_->SelectPort(static_cast<char>('1' + portIndex_));
    return true;
  });
}

void MainWindow::ListBox1DblClick() {
  if (dialog_ != nullptr) return;
  QListWidgetItem* line = list_->currentItem();
  if (line == nullptr || !line->isSelected()) return;
  runDialog(new InfoDialog(this, agent_ != nullptr ? agent_->nls() : nullptr, line->text()),
            false, nullptr);
}

void MainWindow::Oaplikaci1Click() {
  if (about_ != nullptr) about_->open();
}

// ---- UiSink ----

void MainWindow::showMessage(MessageIcon icon, MessageButtons buttons, const std::string& caption,
                             const std::string& text,
                             std::function<void(MessageResult)> onAnswer) {
  const QMessageBox::Icon qicon = icon == MessageIcon::Warning ? QMessageBox::Warning
                                  : icon == MessageIcon::Stop  ? QMessageBox::Critical
                                  : icon == MessageIcon::Information ? QMessageBox::Information
                                                               : QMessageBox::Question;
  const auto qbuttons = buttons == MessageButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No)
                                                         : QMessageBox::StandardButtons(QMessageBox::Ok);
  auto* box = new QMessageBox(qicon, fromCp1250(caption), fromCp1250(text), qbuttons);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Shown without blocking: the agent's loop goes on while the box waits.
  connect(box, &QMessageBox::finished, box, [onAnswer](int result) {
    if (!onAnswer) return;
    onAnswer(result == QMessageBox::Yes  ? MessageResult::Yes
             : result == QMessageBox::No ? MessageResult::No
                                         : MessageResult::Ok);
  });
  box->show();
}

bool MainWindow::setTrayIcon(int operation) {
  switch (operation) {
    case 0:
      if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
      if (!tray_) {
        tray_ = std::make_unique<QSystemTrayIcon>();
        tray_->setContextMenu(trayMenu_.get());
        connect(tray_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                  if (reason == QSystemTrayIcon::DoubleClick && agent_ != nullptr) agent_->ShowOnClick();
                });
      }
      tray_->show();
      return true;
    case 1:
      if (!tray_) return false;
      if (tipText_.isEmpty()) tipText_ = windowTitle().left(63);
      tray_->setIcon(agentIcon());
      tray_->setToolTip(tipText_);
      return true;
    case 2:
      if (!tray_) return false;
      tray_->hide();
      tray_.reset();
      return true;
    default:
      return false;
  }
}

void MainWindow::showWindow() {
  show();
  raise();
  activateWindow();
}

void MainWindow::hideWindow() { hide(); }

void MainWindow::closeMainWindow() { close(); }

void MainWindow::setPollMenuCaption(const std::string& caption) {
  menuItem(QStringLiteral("Zastavit1"))->setText(fromCp1250(caption));
}

void MainWindow::updateBaudMenu(int baud) {
  for (QAction* a : baudGroup_->actions()) a->setChecked(a->text().toInt() == baud);
}

void MainWindow::translateWindow(TNLS& nls) {
  translateWidget(nls, this, false);
  translateMenu(nls, menuBar());
  translateMenu(nls, trayMenu_.get());
  const QString code = fromCp1250(nls.languageCode());
  for (QAction* a : languageGroup_->actions()) a->setChecked(a->text() == code);
}

// ---- LogObserver ----

void MainWindow::onStatus(const std::string& text) { statusBar()->showMessage(fromCp1250(text)); }

void MainWindow::onLineAppended(const std::string& line) { list_->addItem(fromCp1250(line)); }

void MainWindow::onFirstLineRemoved() { delete list_->takeItem(0); }

void MainWindow::onSelectionChanged(int index) {
  syncingSelection_ = true;
  list_->setCurrentRow(index);
  if (index >= 0) list_->scrollToItem(list_->item(index));
  syncingSelection_ = false;
}

void MainWindow::onCleared() { list_->clear(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  if (agent_ != nullptr) agent_->FormClose();
  event->accept();
  QApplication::quit();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  layoutControls();
}

// The client area of the window includes the status bar: the list takes all
// but 70 pixels of it, the button sits 8 pixels below the list, 8 from the
// right edge.
void MainWindow::layoutControls() {
  const QSize client = centralWidget()->size();
  const int clientHeight = client.height() + statusBar()->height();
  const int listHeight = clientHeight - 70;
  list_->setGeometry(8, 0, client.width() - 16, std::max(0, listHeight));
  hideButton_->move(client.width() - hideButton_->width() - 8, listHeight + 8);
}

}  // namespace norva
