#include "link/port_settings.h"

#include <gtest/gtest.h>

#include <ostream>

#include "support/fake_serial_port.h"

namespace norva::port_settings {

// Readable failures: which fields a parse gave.
void PrintTo(const DeviceControl& dc, std::ostream* os) {
  auto field = [os](const char* name, const auto& v) {
    if (v) *os << name << '=' << static_cast<int>(*v) << ' ';
  };
  field("baud", dc.baud);
  field("parity", dc.parity);
  field("data", dc.dataBits);
  field("stop", dc.stopBits);
  field("xon", dc.xon);
  field("odsr", dc.odsr);
  field("octs", dc.octs);
  field("dtr", dc.dtr);
  field("rts", dc.rts);
  field("idsr", dc.idsr);
  field("to", dc.timeout);
}

namespace {

using test::FakeSerialPort;

struct Accepted {
  const char* text;
  DeviceControl want;
};

TEST(BuildCommDCB, AcceptedStrings) {
  const Accepted cases[] = {
      {"19200,N,8,1",
       {.baud = 19200, .parity = DcbParity::None, .dataBits = 8, .stopBits = DcbStopBits::One}},
      {"57600,e,7,2",
       {.baud = 57600, .parity = DcbParity::Even, .dataBits = 7, .stopBits = DcbStopBits::Two}},
      {" 4800 , O ,5 ,  1.5\t",
       {.baud = 4800,
        .parity = DcbParity::Odd,
        .dataBits = 5,
        .stopBits = DcbStopBits::OneAndHalf}},
      {"96,m,6,1",
       {.baud = 9600, .parity = DcbParity::Mark, .dataBits = 6, .stopBits = DcbStopBits::One}},
      // Trailing parts left out give nothing for those fields.
      {"9600", {.baud = 9600}},
      {"9600,S", {.baud = 9600, .parity = DcbParity::Space}},
      {"9600,n,8", {.baud = 9600, .parity = DcbParity::None, .dataBits = 8}},
      // Only the eight two-digit abbreviations are expanded.
      {"14", {.baud = 14}},
      {"110", {.baud = 110}},
      {"1000", {.baud = 1000}},
      {"9600,n,8,1,x",
       {.baud = 9600,
        .parity = DcbParity::None,
        .dataBits = 8,
        .stopBits = DcbStopBits::One,
        .xon = true,
        .odsr = false,
        .octs = false,
        .dtr = DcbDtr::On,
        .rts = DcbRts::On}},
      {"9600,n,8,1 , P",
       {.baud = 9600,
        .parity = DcbParity::None,
        .dataBits = 8,
        .stopBits = DcbStopBits::One,
        .xon = false,
        .odsr = true,
        .octs = true,
        .dtr = DcbDtr::Handshake,
        .rts = DcbRts::Handshake}},
      {"baud=19 parity=e data=7 stop=1.5",
       {.baud = 19200,
        .parity = DcbParity::Even,
        .dataBits = 7,
        .stopBits = DcbStopBits::OneAndHalf}},
      {"  BAUD=115200   Parity=N\tSTOP=2 ",
       {.baud = 115200, .parity = DcbParity::None, .stopBits = DcbStopBits::Two}},
      {"xon=ON odsr=off octs=On dtr=HS rts=tg idsr=on to=off",
       {.xon = true,
        .odsr = false,
        .octs = true,
        .dtr = DcbDtr::Handshake,
        .rts = DcbRts::Toggle,
        .idsr = true,
        .timeout = false}},
      {"dtr=off rts=hs to=on", {.dtr = DcbDtr::Off, .rts = DcbRts::Handshake, .timeout = true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto got = BuildCommDCB(c.text);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, c.want);
  }
}

TEST(BuildCommDCB, AbbreviationsInBothForms) {
  const std::pair<const char*, int> cases[] = {{"11", 110},  {"30", 300},   {"60", 600},
                                               {"12", 1200}, {"24", 2400},  {"48", 4800},
                                               {"96", 9600}, {"19", 19200}, {"011", 110}};
  for (const auto& [text, rate] : cases) {
    SCOPED_TRACE(text);
    const auto oldForm = BuildCommDCB(std::string(text) + ",n,8,1");
    const auto newForm = BuildCommDCB(std::string("baud=") + text);
    ASSERT_TRUE(oldForm && newForm);
    EXPECT_EQ(oldForm->baud, rate);
    EXPECT_EQ(newForm->baud, rate);
  }
}

TEST(BuildCommDCB, RefusedStrings) {
  const char* const cases[] = {
      "",
      "   ",
      "garbage",
      ",",
      // wrong number of parts, parts left out in the middle
      "9600,n,8,1,x,1",
      "9600,,8,1",
      "9600,n,8,1,",
      ",n,8,1",
      // bad values
      "0",
      "-9600",
      "+9600",
      "99999999999",
      "96 00,n,8,1",
      "9600,q,8,1",
      "9600,no,8,1",
      "9600,n,4,1",
      "9600,n,9,1",
      "9600,n,8,3",
      "9600,n,8,1.0",
      "9600,n,8,1,r",
      // new form: unknown key, bad or missing value, duplicate, spaces around '='
      "speed=9600",
      "baud=",
      "=9600",
      "baud=fast",
      "data=4",
      "stop=1.5x",
      "parity=none",
      "dtr=tg",
      "xon=hs",
      "to=1",
      "baud=9600 baud=4800",
      "baud = 9600",
      // mixed forms
      "9600,n,8,1 xon=on",
      "baud=9600,n,8,1",
  };
  for (const char* text : cases) {
    EXPECT_FALSE(BuildCommDCB(text).has_value()) << '"' << text << '"';
  }
}

// A port whose every setting differs from what the strings below give, so
// each change and each kept value is visible.
class PortSettingsSet : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }

  void reset() {
    port.setDeviceName("Before");
    port.setBaudRate(TBaudrate::br110);
    port.setParity(TParity::paMark);
    port.setDatabits(TDatabits::da5);
    port.setStopbits(TStopbits::sb15);
  }

  void expectPort(const std::string& device, TBaudrate baud, TParity parity, TDatabits data,
                  TStopbits stop) {
    EXPECT_EQ(port.deviceName(), device);
    EXPECT_EQ(port.baudRate(), baud);
    EXPECT_EQ(port.parity(), parity);
    EXPECT_EQ(port.databits(), data);
    EXPECT_EQ(port.stopbits(), stop);
  }

  FakeSerialPort port;
};

struct SetCase {
  const char* settings;
  const char* device;
  TBaudrate baud;
  TParity parity;
  TDatabits data;
  TStopbits stop;
};

TEST_F(PortSettingsSet, MapsWhatTheStringGivesAndKeepsTheRest) {
  using enum TBaudrate;
  using enum TParity;
  using enum TDatabits;
  using enum TStopbits;
  const SetCase cases[] = {
      {"COM2:19200,N,8,1", "COM2", br19200, paNone, da8, sb10},
      {"COM1:57600,E,7,2", "COM1", br57600, paEven, da7, sb20},
      {"COM3:96,o,6,1.5", "COM3", br9600, paOdd, da6, sb15},
      {"COM4:256000", "COM4", br256000, paMark, da5, sb15},
      {"COM4:56000,n", "COM4", br56000, paNone, da5, sb15},
      // A rate outside the fifteen keeps the rate; the rest still applies.
      {"COM5:1000,O,7,2", "COM5", br110, paOdd, da7, sb20},
      {"COM5:14,n,8,1", "COM5", br110, paNone, da8, sb10},
      // Space parity has no mapping and keeps the parity.
      {"COM6:9600,S,8,1", "COM6", br9600, paMark, da8, sb10},
      // A refused tail still switches the device and keeps every line setting.
      {"COM7:9600,n,4,1", "COM7", br110, paMark, da5, sb15},
      {"COM7:", "COM7", br110, paMark, da5, sb15},
      {":9600", "", br9600, paMark, da5, sb15},
      // Longer than 39 characters: taken whole.
      {"/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0:57600,E,7,2",
       "/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0", br57600, paEven, da7, sb20},
      // Only the first ':' splits.
      {"COM8:baud=19200 stop=2:", "COM8", br110, paMark, da5, sb15},
      {"COM8:baud=19200 stop=2 xon=on", "COM8", br19200, paMark, da5, sb20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    reset();
    Set(port, c.settings);
    expectPort(c.device, c.baud, c.parity, c.data, c.stop);
  }
}

TEST_F(PortSettingsSet, WithoutAColonNothingChanges) {
  for (const char* s : {"", "COM2", "19200,N,8,1", "COM2 19200,N,8,1"}) {
    SCOPED_TRACE(s);
    Set(port, s);
    expectPort("Before", TBaudrate::br110, TParity::paMark, TDatabits::da5, TStopbits::sb15);
  }
}

TEST_F(PortSettingsSet, OnAnOpenPortThrowsAndChangesNothing) {
  port.open();
  for (const char* s : {"COM1:19200,N,8,1", "Before:19200,N,8,1"}) {
    SCOPED_TRACE(s);
    try {
      Set(port, s);
      ADD_FAILURE() << "no ECommError";
    } catch (const ECommError& e) {
      EXPECT_NE(std::string(e.what()).find(comm_msg::kAlreadyOpen), std::string::npos);
    }
    expectPort("Before", TBaudrate::br110, TParity::paMark, TDatabits::da5, TStopbits::sb15);
  }
  EXPECT_EQ(port.lineSettingsApplied, 0);
}

TEST(PortSettingsHelpers, WithBaudText) {
  struct Case {
    const char* settings;
    const char* baud;
    const char* want;
  };
  const Case cases[] = {
      {"COM2:19200,N,8,1", "57600", "COM2:57600,N,8,1"},
      {"COM3:9600,N,8,1", "38400", "COM3:38400,N,8,1"},
      {"COM2:19200", "9600", "COM2:9600"},  // no ',': the whole tail is the baud
      {"COM2:", "9600", "COM2:9600"},
      {"19200,N,8,1", "9600", "19200,N,8,1"},  // no ':': unchanged
      {"a,b:19200,N", "9600", "a,b:9600,N"},   // the ',' after the ':' counts
  };
  for (const auto& c : cases) {
    EXPECT_EQ(withBaudText(c.settings, c.baud), c.want) << c.settings;
  }
}

TEST(PortSettingsHelpers, ABaudChoiceReachesThePort) {
  FakeSerialPort port;
  Set(port, withBaudText("COM3:9600,N,8,1", std::to_string(baudFromCaption("38400"))));
  EXPECT_EQ(port.deviceName(), "COM3");
  EXPECT_EQ(port.baudRate(), TBaudrate::br38400);
}

TEST(PortSettingsHelpers, BaudFromCaption) {
  const std::pair<const char*, int> cases[] = {
      {"57600", 57600}, {"38400", 38400}, {"19200", 19200},      {" 9600 ", 9600},
      {"0", 0},         {"", 9600},       {"abc", 9600},         {"96x", 9600},
      {"-1", 9600},     {"&57600", 9600}, {"99999999999", 9600},
  };
  for (const auto& [caption, want] : cases) {
    EXPECT_EQ(baudFromCaption(caption), want) << '"' << caption << '"';
  }
}

TEST(PortSettingsHelpers, WithPortDigit) {
  EXPECT_EQ(withPortDigit("COM2:19200,N,8,1", '1'), "COM1:19200,N,8,1");
  EXPECT_EQ(withPortDigit("COM2", '4'), "COM4");
  EXPECT_EQ(withPortDigit("COM", '4'), "COM");
  EXPECT_EQ(withPortDigit("", '4'), "");
}

TEST(PortSettingsHelpers, DevicePathFor) {
  const std::vector<std::pair<std::string, std::string>> devices = {
      {"com2", "/dev/ttyUSB0"},
      {"COM2", "/dev/ttyUSB9"},
      {"Pbx", "/dev/ttyACM0"},
      {"COM0", "/dev/ttyS7"},
  };
  const std::pair<const char*, const char*> cases[] = {
      {"/dev/ttyAMA0", "/dev/ttyAMA0"},
      {"/dev/ttyS0", "/dev/ttyS0"},
      {"COM2", "/dev/ttyUSB0"},  // configured; first match wins
      {"Com2", "/dev/ttyUSB0"},
      {"COM1", "/dev/ttyS0"},
      {"com3", "/dev/ttyS2"},
      {"COM10", "/dev/ttyS9"},
      {"COM02", "/dev/ttyS1"},
      {"PBX", "/dev/ttyACM0"},
      {"COM0", "/dev/ttyS7"},  // not a COMn number, but configured
      {"COM00", "COM00"},
      {"COM", "COM"},
      {"COMx", "COMx"},
      {"COM-1", "COM-1"},
      {"COM99999999999", "COM99999999999"},
      {"ttyUSB1", "ttyUSB1"},
      {"", ""},
  };
  for (const auto& [name, want] : cases) {
    EXPECT_EQ(devicePathFor(name, devices), want) << '"' << name << '"';
  }
  // A path is never looked up, even when a key matches it.
  EXPECT_EQ(devicePathFor("/dev/x", {{"/dev/x", "/dev/y"}}), "/dev/x");
}

}  // namespace
}  // namespace norva::port_settings
