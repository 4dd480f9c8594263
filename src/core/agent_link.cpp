// The agent's side of the serial link: opening the port at start, the
// commands that re-open it, and recovery from a port that went away.
#include "core/agent.h"
#include "i18n/text_ids.h"
#include "link/comm_pax.h"
#include "link/port_settings.h"
#include "platform/serial_port.h"
#include "platform/timer.h"
#include "platform/ui_sink.h"

namespace norva {

void Agent::openSerialPort() {
  try {
    port_settings::Set(port_, config_.port);
    env_.ui->updateBaudMenu(baudRateValue(port_.baudRate()));
    port_.open();
    writeLog("-OK-", text(txt::kPortOpened) + config_.port);
  } catch (const ECommError&) {
    const std::string message = text(txt::kPortFailed) + config_.port;
    log_.setStatusText(message);
    writeLog("!Err", message);
    logEvent(true, message);
  }
}

void Agent::closeSerialPort() {
  if (port_.isOpen()) port_.close();
}

bool Agent::ChangeBaudRate(const std::string& baudText) {
  const bool wasTicking = TimerTick->enabled();
  TimerTick->setEnabled(false);
  const std::string settings =
      port_settings::withBaudText(config_.port, std::to_string(port_settings::baudFromCaption(baudText)));
  closeSerialPort();
  PortRetryTimer->setEnabled(false);
  bool ok = true;
  try {
    config_.port = settings;  // in memory only; the save command writes it
    port_settings::Set(port_, config_.port);
    port_.open();
    env_.ui->updateBaudMenu(baudRateValue(port_.baudRate()));
  } catch (const ECommError&) {
    ok = false;
  }
  TimerTick->setEnabled(wasTicking);
  return ok;
}

void Agent::SelectPort(char digit) {
  stopMailTimers();
  closeSerialPort();
  PortRetryTimer->setEnabled(false);
  config_.port = port_settings::withPortDigit(config_.port, digit);
  writePortSetting(iniPath_, config_.port);
  try {
    port_settings::Set(port_, config_.port);
    port_.open();
  } catch (const ECommError&) {
    log_.setStatusText(text(txt::kPortDialogFailed));
    return;
  }
  log_.setStatusText("");
  afterPortReopened();
}

void Agent::afterPortReopened() {
  PollState = 0;
  queueStartRequests();
  ErrorCount = 0;
}

void Agent::onPortFailure(const std::string& reason) {
  // The device went away (an unplugged adapter): say so once, then look for
  // it again every few seconds with the same settings.
  writeLog("!Err", text(txt::kPortFailed) + config_.port + " (" + reason + ")");
  logEvent(true, text(txt::kPortFailed) + config_.port);
  PortRetryTimer->setEnabled(true);
}

void Agent::PortRetryTimerTimer() {
  if (port_.isOpen()) {
    PortRetryTimer->setEnabled(false);
    return;
  }
  try {
    port_.open();
  } catch (const ECommError&) {
    return;  // still gone; try again at the next period
  }
  PortRetryTimer->setEnabled(false);
  writeLog("-OK-", text(txt::kPortOpened) + config_.port);
  afterPortReopened();
}

bool Agent::portRetrying() const { return PortRetryTimer->enabled(); }

void Agent::CommPax1RxChr(std::uint8_t chr) {
  // The PBX's "busy" byte ends the current wait at the next tick.
  if (chr == 0xE0) TickCount = config_.maxTick;
}


}  // namespace norva
