#include "ui/nls_widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

#include "core/cp1250.h"
#include "i18n/tnls.h"

namespace norva {

namespace {
constexpr const char* kTagProperty = "nlsTag";
constexpr const char* kClassProperty = "nlsClass";
}  // namespace

QString fromCp1250(const std::string& text) { return QString::fromStdString(cp1250ToUtf8(text)); }
std::string toCp1250(const QString& text) { return utf8ToCp1250(text.toStdString()); }

void setNls(QObject* object, int tag, const char* className) {
  object->setProperty(kTagProperty, tag);
  object->setProperty(kClassProperty, QString::fromLatin1(className));
}

int nlsTag(const QObject* object) { return object->property(kTagProperty).toInt(); }

QString nlsClass(const QObject* object) { return object->property(kClassProperty).toString(); }

QtNlsControl::QtNlsControl(QWidget* widget)
    : kind_(Kind::Widget), object_(widget), className_(nlsClass(widget).toStdString()) {}

QtNlsControl::QtNlsControl(MenuRoot, QWidget* menu)
    : kind_(Kind::Menu), object_(menu), className_("TMenu") {}

QtNlsControl::QtNlsControl(QAction* action)
    : kind_(Kind::Action), object_(action), className_("TMenuItem") {}

QtNlsControl::QtNlsControl(QTabWidget* pages, int index)
    : kind_(Kind::Page), object_(pages), page_(index), className_("TTabSheet") {}

std::string_view QtNlsControl::className() const { return className_; }

int QtNlsControl::tag() const { return kind_ == Kind::Page ? 0 : nlsTag(object_); }

std::string QtNlsControl::caption() const {
  switch (kind_) {
    case Kind::Page:
      return toCp1250(static_cast<QTabWidget*>(object_)->tabText(page_));
    case Kind::Action:
      return toCp1250(static_cast<QAction*>(object_)->text());
    case Kind::Menu:
      return {};
    case Kind::Widget:
      break;
  }
  auto* w = static_cast<QWidget*>(object_);
  if (w->isWindow()) return toCp1250(w->windowTitle());
  if (auto* label = qobject_cast<QLabel*>(w)) return toCp1250(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return toCp1250(button->text());
  if (auto* box = qobject_cast<QGroupBox*>(w)) return toCp1250(box->title());
  return {};
}

void QtNlsControl::setCaption(const std::string& caption) {
  const QString text = fromCp1250(caption);
  switch (kind_) {
    case Kind::Page:
      static_cast<QTabWidget*>(object_)->setTabText(page_, text);
      return;
    case Kind::Action:
      static_cast<QAction*>(object_)->setText(text);
      return;
    case Kind::Menu:
      return;
    case Kind::Widget:
      break;
  }
  auto* w = static_cast<QWidget*>(object_);
  if (w->isWindow()) {
    w->setWindowTitle(text);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
    box->setTitle(text);
  }
}

void QtNlsControl::collectWidgets(QWidget* holder) const {
  for (QObject* child : holder->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w == nullptr || w->isWindow()) continue;
    if (nlsClass(w).isEmpty()) {
      collectWidgets(w);  // a layout holder: look inside
    } else {
      children_.push_back(std::make_unique<QtNlsControl>(w));
    }
  }
}

std::vector<NlsControl*> QtNlsControl::children() const {
  if (!built_) {
    built_ = true;
    switch (kind_) {
      case Kind::Menu:
        for (QAction* a : static_cast<QWidget*>(object_)->actions()) {
          children_.push_back(std::make_unique<QtNlsControl>(a));
        }
        break;
      case Kind::Action:
        if (QMenu* sub = static_cast<QAction*>(object_)->menu()) {
          for (QAction* a : sub->actions()) children_.push_back(std::make_unique<QtNlsControl>(a));
        }
        break;
      case Kind::Page:
        collectWidgets(static_cast<QTabWidget*>(object_)->widget(page_));
        break;
      case Kind::Widget:
        if (auto* tabs = qobject_cast<QTabWidget*>(static_cast<QWidget*>(object_))) {
          for (int i = 0; i < tabs->count(); ++i) {
            children_.push_back(std::make_unique<QtNlsControl>(tabs, i));
          }
        } else {
          collectWidgets(static_cast<QWidget*>(object_));
        }
        break;
    }
  }
  std::vector<NlsControl*> out;
  for (const auto& c : children_) out.push_back(c.get());
  return out;
}

void translateWidget(TNLS& nls, QWidget* form, bool open) {
  QtNlsControl control(form);
  nls.TranslateForm(control, open);
}

void translateMenu(TNLS& nls, QWidget* menu) {
  QtNlsControl control(QtNlsControl::MenuRoot{}, menu);
  nls.TranslateMenu(control);
}

}  // namespace norva
