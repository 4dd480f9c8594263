#include "i18n/tnls.h"

#include <set>

#include "core/profile_file.h"
#include "i18n/nls_control.h"

namespace norva {

namespace {
bool isTranslatedClass(std::string_view name) {
  return name == "TLabel" || name == "TButton" || name == "TBitBtn" || name == "TGroupBox" ||
         name == "TCheckBox";
}
}  // namespace

TNLS::TNLS(std::string directory) : directory_(std::move(directory)) {}
TNLS::~TNLS() = default;

void TNLS::SetLanguage(const std::string& code) {
  code_ = code;
  OpenLanguageFile();
}

void TNLS::OpenLanguageFile() {
  current_ = std::make_unique<ProfileFile>(directory_ + "/NAgent." + code_);
}

void TNLS::CloseLanguageFile() { current_.reset(); }

void TNLS::LoadTexts() {
  if (!current_) return;
  // Merged into what is there: a number the new file lacks keeps its old text.
  std::set<std::string> seen;
  for (const auto& [key, value] : current_->sectionValues("Texty")) {
    if (!seen.insert(key).second) continue;  // the first of duplicate keys wins
    if (value.empty()) {
      texts_.erase(key);
    } else {
      texts_[key] = value;
    }
  }
}

std::string TNLS::GetText(int number) const {
  const auto it = texts_.find(std::to_string(number));
  return it == texts_.end() ? std::string() : it->second;
}

std::string TNLS::GetFileText(int number) {
  if (number % 100 == 0) {
    current_ = std::make_unique<ProfileFile>(directory_ + "/Language." + code_);
  }
  std::string text = current_ ? current_->readString("Text", std::to_string(number), "") : "";
  if (number % 100 == 99) CloseLanguageFile();
  return text;
}

std::string TNLS::commonText(int key, const std::string& fallback) const {
  return current_ ? current_->readString("Common", std::to_string(key), fallback) : fallback;
}

void TNLS::TranslateForm(NlsControl& form, bool open) {
  if (open) OpenLanguageFile();
  form.setCaption(commonText(form.tag(), form.caption()));
  for (NlsControl* control : form.children()) {
    const std::string_view cls = control->className();
    if (cls == "TPanel") {
      for (NlsControl* c : control->children()) TranslateControl(*c);
    } else if (cls == "TGroupBox") {
      TranslateControl(*control);
      for (NlsControl* c : control->children()) TranslateControl(*c);
    } else if (cls == "TPageControl") {
      int index = 0;
      for (NlsControl* page : control->children()) {
        page->setCaption(commonText(control->tag() + index, page->caption()));
        for (NlsControl* c : page->children()) TranslateControl(*c);
        ++index;
      }
    } else {
      TranslateControl(*control);
    }
  }
  if (open) CloseLanguageFile();
}

void TNLS::TranslateControl(NlsControl& control) {
  if (control.tag() == 0 || !isTranslatedClass(control.className())) return;
  control.setCaption(commonText(control.tag(), control.caption()));
}

void TNLS::TranslateMenu(NlsControl& menu) {
  for (NlsControl* item : menu.children()) {
    if (item->tag() != 0 && current_) {
      item->setCaption(current_->readString("Menu", std::to_string(item->tag()), item->caption()));
    }
    if (!item->children().empty()) TranslateMenu(*item);
  }
}

}  // namespace norva
