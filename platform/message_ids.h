// The one registry of numbers that travel through the program: the numbers
// of the message texts (looked up by resource_string) and the numbers of the
// messages posted on the event loop. Code names them; no bare numbers.
#pragma once

#include <cstdint>

namespace orvane::platform {

// Message texts. The number also decides a message box's title and icon:
// below 48 information, 48 to 63 warning, 64 and above error. Numbers from
// 1000 up are the program's own additions: 1000 to 1999 errors, 2000 to
// 2999 warnings, 3000 and above information.
enum class MessageId : int {
    kNone = 0,
    kPasswordChangedOnNode = 32,
    kExcludedForWrongPassword = 33,
    kCreateMissingCabinet = 34,  // "The file '%s' does not exist. ..." (Yes/No)
    kRepairQuestion = 35,
    kCompactQuestion = 36,
    kLinkCommentsQuestion = 37,
    kTextsMissing = 38,  // "%d texts are missing. ..." (Yes/No)
    kTextMissing = 39,   // "%d text is missing. ..." (Yes/No)
    kNoMailToSend = 41,
    kLeftOnOtherNode = 42,  // out-basket texts on another node than %s
    kCommandAlreadyQueued = 56,
    kAttachmentMissing = 57,  // "Could not attach the file '%s' ..." (Yes/No)
    kIsMissing = 65,          // "%s is missing"
    kIsInvalid = 66,          // "%s is invalid"
    kNameExists = 67,
    kNewerVersion = 72,
    kWrongPassword = 73,
    kBoxNotEmpty = 74,
    kBoxIsFixed = 75,
    kBadBoxPlace = 76,
    kDirectoryHoldsNoTexts = 77,
    kNodeFileBad = 101,
    kNoNodeSelected = 102,
    kNodeInactive = 103,
    kPacketNamesUsedUp = 104,
    kCannotZip = 105,
    kCannotOpenFile = 130,  // 130 to 132 name a file and carry the system's error
    kCannotReadFile = 131,
    kCannotWriteFile = 132,
    kCabinetReadOnly = 133,
    kCabinetFull = 134,
    kBoxFull = 135,
    kRepairFailed = 136,
    kSettingsVersion = 174,
    kChangeOwnSettings = 182,
    kEraseCabinets = 184,
    kEraseFolder = 185,
    kFilesBelongTo = 186,
    kTypeErasePhrase = 187,
    kUseExistingFolder = 188,
    kLetterReceived = 240,
    kConfirmReceipt = 241,
    kAlphabeticallyTopic = 752,  // "0+ ALPHABETICALLY:", the menu part of a catalogue line
    kManuallyEntry = 753,        // "0s Manually"
    kSchedulePrefix = 754,       // "Schedule ", the start of a scheduled command's subject
    kNowNamed = 755,             // "is now %s."
    kUploadSubject = 758,        // "Upload ", followed by the file's name
    kFindSettingsFile = 883,
    kErasePhrase = 884,
    kWhatsNew = 907,
    kFirstDate = 918,
    kLastDate = 919,

    // The program's own messages.
    kCancelled = 1000,         // "Cancelled"
    kConnectionClosed = 1001,  // the peer closed the connection
    kConnectionFailed = 1002,  // "The connection failed: %s"

    // The filing cabinet.
    kTextDamaged = 1010,  // "Text %s was damaged and has been removed."

    // New texts as the user types them.
    kNotUtf8 = 1030,           // field, line, column
    kNotInCodePage = 1031,     // field, character, line, column, code page
    kControlCharacter = 1033,  // field, position
    kTooLong = 1034,           // field, limit
    kTextTooLong = 1035,       // size, limit
    kLinkOtherNode = 1036,     // text

    // Warnings.
    kTransliterated = 2000,  // field, the replacements

    // Information.
    kCabinetRepairedOnOpen = 3000,  // cabinet, copy of the damaged file, texts lost

    // The mail packet.
    kAttachmentUnreadable = 1020,  // "Could not read the file '%s' to attach it ..." (Yes/No)
    kPacketBeingBuilt = 1021,

    // Server commands from the catalogue.
    kNoSuchField = 1150,
    kNameNotFound = 1151,
    kNameAmbiguous = 1152,      // "'%s' may mean: %s"
    kPrivateConference = 1153,  // a private conference cannot be joined by oneself
    kNotACheckBox = 1154,
    kNoSuchCommand = 1155,
    kNotSchedulable = 1156,
    kTopicNotCommand = 1157,
    kCommandTooLong = 1158,  // "... longer than %d bytes"
    kPasswordLength = 1159,  // "... %d to %d characters"
    kPasswordCharacters = 1160,
    kPasswordRepeats = 1161,
    kPasswordVariety = 1162,  // "... at least %d different characters"
    kNoFavourite = 1163,
    kRepeatCount = 1164,  // the field name of the repetition's count
    kCommandIncomplete = 1165,
    kCommandNotListed = 1166,
};

// Messages posted on the event loop (number, wparam, lparam). Timers and
// descriptor events are callbacks of their own and need no number.
enum class PostedMessage : uint32_t {
    kCommand = 0x0111,               // a command for the active window; wparam its number
    kNetworkEvent = 0x0400 + 0x200,  // a socket event for the connection
    kBatchStep = 0x0400 + 0x201,     // the next step of the batch session
    kHelpRequest = 0x0400 + 0x202,
    kShellInput = 0x0400 + 0x300,  // a line is waiting on the shell's input
};

}  // namespace orvane::platform
