#pragma once

#include <functional>
#include <string>

namespace norva {

class TNLS;

enum class MessageIcon { Warning, Stop, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok, Yes, No };

// What the agent asks of whoever shows it to a person: the desktop window,
// or nobody at all in service mode. Texts are Windows-1250.
class UiSink {
 public:
  virtual ~UiSink() = default;

  // Shows a message box without blocking the agent's loop; the answer, if
  // any is wanted, arrives later through onAnswer.
  virtual void showMessage(MessageIcon icon, MessageButtons buttons,
                           const std::string& caption, const std::string& text,
                           std::function<void(MessageResult)> onAnswer) = 0;

  // The notification-area icon: 0 adds, 1 updates, 2 removes. Returns
  // whether the desktop accepted it.
  virtual bool setTrayIcon(int operation) = 0;

  virtual void showWindow() = 0;
  virtual void hideWindow() = 0;

  // Closing the main window ends the application.
  virtual void closeMainWindow() = 0;

  // The stop/resume menu item's caption.
  virtual void setPollMenuCaption(const std::string& caption) = 0;

  // Ticks the baud-rate menu item of this rate (and no other).
  virtual void updateBaudMenu(int /*baud*/) {}

  // Called at start while the language file is open, so that the window
  // and its menus can be translated.
  virtual void translateWindow(TNLS& /*nls*/) {}
};

}  // namespace norva
