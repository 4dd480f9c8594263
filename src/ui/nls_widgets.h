#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "i18n/nls_control.h"

class QAction;
class QObject;
class QWidget;
class QMenu;
class QTabWidget;

namespace norva {

class TNLS;

// Marks a widget or menu action with the Tag and the class name that the
// language rules test. Widgets without a class name are plain layout
// holders: the rules see through them to the marked widgets inside.
void setNls(QObject* object, int tag, const char* className);
int nlsTag(const QObject* object);
QString nlsClass(const QObject* object);

// The language rules' view of a Qt widget tree or menu. Built for one
// translation and thrown away after it.
class QtNlsControl : public NlsControl {
 public:
  explicit QtNlsControl(QWidget* widget);   // a window or a control
  // A menu bar or pop-up menu: its actions are the items.
  struct MenuRoot {};
  QtNlsControl(MenuRoot, QWidget* menu);
  explicit QtNlsControl(QAction* action);   // a menu item
  QtNlsControl(QTabWidget* pages, int index);  // one page of a page control

  std::string_view className() const override;
  int tag() const override;
  std::string caption() const override;
  void setCaption(const std::string& caption) override;
  std::vector<NlsControl*> children() const override;

 private:
  enum class Kind { Widget, Menu, Action, Page };
  void collectWidgets(QWidget* holder) const;

  Kind kind_;
  QObject* object_;
  int page_ = -1;
  std::string className_;
  mutable std::vector<std::unique_ptr<QtNlsControl>> children_;
  mutable bool built_ = false;
};

// The three uses: a dialog or window, and a menu tree.
void translateWidget(TNLS& nls, QWidget* form, bool open);
// `menu`: a menu bar or a pop-up menu.
void translateMenu(TNLS& nls, QWidget* menu);

QString fromCp1250(const std::string& text);
std::string toCp1250(const QString& text);

}  // namespace norva
