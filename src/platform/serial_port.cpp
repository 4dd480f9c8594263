#include "platform/serial_port.h"

namespace norva {

int baudRateValue(TBaudrate rate) {
  static constexpr int kValues[] = {110,   300,   600,   1200,   2400,   4800,   9600,  14400,
                                    19200, 38400, 56000, 57600, 115200, 128000, 256000};
  return kValues[static_cast<int>(rate)];
}

}  // namespace norva
