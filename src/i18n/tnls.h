#pragma once

#include <map>
#include <memory>
#include <string>

namespace norva {

class NlsControl;
class ProfileFile;

// The language store: the current language code, its numbered texts, and
// the language file open for the operation under way. Files are looked for
// in the program's directory as "NAgent." + code and "Language." + code.
class TNLS {
 public:
  explicit TNLS(std::string directory);
  ~TNLS();

  void SetLanguage(const std::string& code);
  void OpenLanguageFile();
  void CloseLanguageFile();
  void LoadTexts();
  std::string GetText(int number) const;
  std::string GetFileText(int number);
  void TranslateForm(NlsControl& form, bool open);
  void TranslateControl(NlsControl& control);
  void TranslateMenu(NlsControl& menu);

  const std::string& languageCode() const { return code_; }
  bool fileOpen() const { return current_ != nullptr; }

 private:
  std::string commonText(int key, const std::string& fallback) const;

  std::string directory_;
  std::map<std::string, std::string> texts_;
  std::unique_ptr<ProfileFile> current_;
  std::string code_ = "Cz";
};

}  // namespace norva
