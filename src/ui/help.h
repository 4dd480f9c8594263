#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace norva::help {

// The help file is AGENT.html beside the program, shown in the desktop's
// browser. Topics are anchors in it: "" (contents), "search", "using-help",
// and "context-N" for a dialog's help context number N.
QUrl url(const QString& anchor);
void open(const QString& anchor);
inline void openContext(int context) { open(QStringLiteral("context-%1").arg(context)); }

// Replaces the browser, for tests; an empty function restores it.
void setOpener(std::function<void(const QUrl&)> opener);

}  // namespace norva::help
