#include "ui/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>

namespace norva::help {

namespace {
std::function<void(const QUrl&)>& opener() {
  static std::function<void(const QUrl&)> f;
  return f;
}
}  // namespace

QUrl url(const QString& anchor) {
  QUrl u = QUrl::fromLocalFile(QDir(QCoreApplication::applicationDirPath()).filePath("AGENT.html"));
  if (!anchor.isEmpty()) u.setFragment(anchor);
  return u;
}

void open(const QString& anchor) {
  const QUrl u = url(anchor);
  if (opener()) {
    opener()(u);
  } else {
    QDesktopServices::openUrl(u);
  }
}

void setOpener(std::function<void(const QUrl&)> f) { opener() = std::move(f); }

}  // namespace norva::help
