#pragma once

// Numbers of section "Texty" of the language files, by what they say.
namespace norva::txt {

constexpr int kConfigData = 100;
constexpr int kInfoData = 101;
constexpr int kLineStateData = 102;
constexpr int kLineList = 103;
constexpr int kSwData = 104;
constexpr int kLineListRefused = 105;
constexpr int kLineListReceived = 106;
constexpr int kAccountingRequest = 107;
constexpr int kLineStateRequest = 108;
constexpr int kSlotRequest = 109;
constexpr int kSlotEmpty = 110;
constexpr int kSlotConfirmed = 111;
constexpr int kSlotRefused = 112;
constexpr int kMailboxRequest = 113;
constexpr int kMailboxChanges = 114;
constexpr int kMailboxNoChanges = 115;
constexpr int kLinkLost = 116;
constexpr int kLinkBack = 117;
constexpr int kTcpListening = 119;
constexpr int kTcpFailedStatus = 120;
constexpr int kTcpFailed = 121;
constexpr int kConfigMissing = 122;
constexpr int kConfigMissingCaption = 123;
constexpr int kPortOpened = 124;
constexpr int kPortFailed = 125;
constexpr int kMailStarted = 126;
constexpr int kMailFailed = 127;
constexpr int kNoAccountingRecord = 128;
constexpr int kMessageTypeL = 129;
constexpr int kMessageTypeV = 130;
constexpr int kMailboxRefused = 131;
constexpr int kMailboxAccepted = 132;
constexpr int kFinalRequest = 133;
constexpr int kPortDialogFailed = 134;
constexpr int kPollingStopped = 135;
constexpr int kPollingStarted = 136;
constexpr int kErrorCaption = 137;
constexpr int kErrorWord = 138;
constexpr int kInfoAccepted = 145;
constexpr int kAccountingFileError = 146;
constexpr int kQueueRequest = 147;
constexpr int kAccessDenied = 200;

}  // namespace norva::txt
