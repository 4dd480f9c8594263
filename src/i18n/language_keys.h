// Keys that the agent reads from its language files.
//
// "NAgent.<code>" holds the sections "Common", "Menu" and "Texty"; "Language.<code>" holds
// the section "Text". Every language file shipped in lang/ carries every key listed here.
// A value that must begin or end with a space is written in double quotes, which the
// profile reader strips.
#pragma once

#include <array>
#include <cstdint>

namespace norva {

// Section "Texty" of NAgent.<code>: message texts by number, loaded all at once.
inline constexpr auto kTextyNumbers = std::to_array<std::uint16_t>({
    // names of the agent's own requests and data in log lines, link and mailbox states
    100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117,
    // start-up lines (TCP server, serial port, mail gateway), missing-configuration warning
    119, 120, 121, 122, 123, 124, 125, 126, 127,
    // accounting, message types 'L' and 'V', counter answers, tear-down request
    128, 129, 130, 131, 132, 133,
    // port dialog failure, stop/resume captions, error box caption, status-code word
    134, 135, 136, 137, 138,
    // PBX compatibility check on the information answer (message box and log result)
    139, 140, 141, 142, 143, 144, 145,
    // accounting file not creatable, queue request name
    146, 147,
    // replacement for the system's "Access is denied." in service control errors
    200,
    // packet trace: command names, 1000 + command byte
    1000, 1001, 1002, 1003, 1004, 1005, 1006, 1013, 1014, 1016, 1017, 1018, 1023, 1033, 1034,
    // packet trace: item names, 2000 + item byte
    2001, 2014, 2017, 2022, 2047, 2048,
});

// Section "Common" of NAgent.<code>: Tags of forms and controls (page control Tag + page index).
inline constexpr auto kCommonKeys = std::to_array<std::uint16_t>({
    // services dialog pages (page control Tag 0 + page index)
    0, 1,
    // shared buttons: Cancel, Hide, OK, Search
    100, 101, 102, 103,
    // about box caption, main window caption / product name, version label
    1000, 1001, 1002,
    // info window caption
    2000,
    // directory dialog caption
    3000,
    // accounting dialog
    3100, 3101, 3102, 3103,
    // local traps dialog (it also uses 4004)
    3200, 3201, 3202, 3203, 3204, 3205,
    // serial port dialog
    3300, 3301,
    // Mail602 settings dialog
    4000, 4001, 4002, 4003, 4004, 4005,
    // log output dialog
    5000, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 5008,
    // services dialog caption and its "run as a service" check boxes
    6000, 6001,
});

// Section "Menu" of NAgent.<code>: Tags of menu items.
inline constexpr auto kMenuKeys = std::to_array<std::uint16_t>({
    // menu Agent and its items
    100, 101, 102, 103,
    // menu Settings, its items and the baud-rate submenu's save item
    200, 201, 202, 203, 204, 205, 206, 210, 211, 212,
    // menu Help and its items
    300, 301, 302, 303, 304,
    // tray icon pop-up menu items
    400, 401,
});

// Section "Text" of Language.<code>: read one key at a time, in groups from x00 to x99.
inline constexpr auto kLanguageTextNumbers = std::to_array<std::uint16_t>({
    // traps dialog: address type names for 'I', 'Q', 'V', 'L', 'Z'
    100, 101, 102, 103, 199,
    // default trap texts: link to the PBX restored (ZpravaComOn), lost (ZpravaComOff)
    200, 299,
    // mailbox relay error lines
    300, 301, 399,
});

}  // namespace norva
