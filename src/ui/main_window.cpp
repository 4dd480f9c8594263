#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>

#include "core/agent.h"
#include "core/cp1250.h"

namespace norva {

namespace {

QString toQt(const std::string& cp1250) { return QString::fromStdString(cp1250ToUtf8(cp1250)); }

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

}  // namespace

MainWindow::MainWindow() {
  setWindowTitle("Norva Agent");
  setWindowIcon(agentIcon());
  auto* central = new QWidget(this);
  setCentralWidget(central);
  list_ = new QListWidget(central);
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  list_->setUniformItemSizes(true);
  hideButton_ = new QPushButton("Skrýt", central);
  statusBar()->showMessage(QString());
  resize(640, 400);

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!syncingSelection_ && agent_ != nullptr) agent_->log().select(row);
  });
  connect(hideButton_, &QPushButton::clicked, this, [this] {
    if (agent_ != nullptr) agent_->ShowOnTrayClickClick();
  });

  trayMenu_ = std::make_unique<QMenu>();
  trayMenu_->addAction("Zobrazit", this, [this] {
    if (agent_ != nullptr) agent_->ShowOnClick();
  });
  trayMenu_->addAction("Ukončit", this, [this] {
    if (agent_ != nullptr) agent_->ShutDownClick();
  });
}

MainWindow::~MainWindow() {
  if (agent_ != nullptr) agent_->log().removeObserver(this);
}

void MainWindow::attach(Agent* agent) {
  agent_ = agent;
  agent_->log().addObserver(this);
}

void MainWindow::showMessage(MessageIcon icon, MessageButtons buttons, const std::string& caption,
                             const std::string& text,
                             std::function<void(MessageResult)> onAnswer) {
  const QMessageBox::Icon qicon = icon == MessageIcon::Warning ? QMessageBox::Warning
                                  : icon == MessageIcon::Stop  ? QMessageBox::Critical
                                                               : QMessageBox::Question;
  const auto qbuttons = buttons == MessageButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No)
                                                         : QMessageBox::StandardButtons(QMessageBox::Ok);
  auto* box = new QMessageBox(qicon, toQt(caption), toQt(text), qbuttons);
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

void MainWindow::setPollMenuCaption(const std::string&) {
  // The menus arrive with the full window.
}

void MainWindow::onStatus(const std::string& text) { statusBar()->showMessage(toQt(text)); }

void MainWindow::onLineAppended(const std::string& line) { list_->addItem(toQt(line)); }

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

void MainWindow::layoutControls() {
  const QSize client = centralWidget()->size();
  const int listHeight = client.height() - 70 + statusBar()->height();
  list_->setGeometry(8, 0, client.width() - 16, std::max(0, listHeight));
  hideButton_->setGeometry(client.width() - hideButton_->width() - 8, listHeight + 8,
                           hideButton_->width(), hideButton_->height());
}

}  // namespace norva
