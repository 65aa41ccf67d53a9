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

    // The search index.
    kSearchRebuildQuestion = 1110,        // (Yes/No); %s: a note when the index is up to date
    kSearchSwitchedOnNotUpToDate = 1111,  // (Yes/No)
    kSearchCancelUpdate = 1112,           // (Yes/No)
    kSearchWordDamaged = 1113,
    kSearchWordTooCommon = 1114,
    kSearchIndexOffQuestion = 1115,     // (Yes/No)
    kSearchNotUpToDateQuestion = 1116,  // (Yes/No)
    kSearchIndexOff = 1117,
    kSearchResultsIncomplete = 1118,
    kSearchTextsGone = 1119,
    kSearchNothingToFind = 1120,
    kSearchUnclosedQuote = 1121,
    kSearchUnknownField = 1122,
    kSearchPrefixTooShort = 1123,
    kSearchWordTooLong = 1124,
    kSearchNoWord = 1125,
    // Connection: Telnet and TLS transport, terminal.
    kConnectingTo = 1040,
    kCannotConnect = 1041,  // the question with retry (Yes/No); the node's name twice
    kTryAgain = 1042,       // after the user cancelled connecting (Yes/No)
    kCannotConnectBecause = 1043,
    kConnectedTo = 1044,
    kSecureConnectionFailed = 1045,  // the handshake failed; the connection is closed
    kCertificateChanged = 1046,      // pinned certificate differs: endpoint, both prints, endpoint
    kSecureConnectionNotOffered = 1047,  // pinned endpoint answered in plain text
    kCertificateStored = 1048,
    kConnectionEncrypted = 1049,
    kNoEndpoint = 1050,
    kTerminalConnected = 1051,
    kCertificateUnchanged = 1052,
    kAcceptCertificate = 1053,  // stored and offered print (Yes/No)
    kCertificateTrusted = 1054,
    kNoAnswerWithin = 1055,  // a reason: "no answer within %d seconds"
    kServerClosedConnection = 1056,
    kCertificateForgotten = 1057,
    // Settings, local users and the program directory.
    kSettingNotStorable = 1060,    // key, section, why
    kSettingRefused = 1061,        // typed value, key, the values it takes
    kUnknownSetting = 1062,        // key, section
    kSettingKeptByProgram = 1063,  // key, section
    kSettingNotStored = 1064,      // key, section, file
    kNoLocalUsers = 1065,
    kNoDefaultUser = 1066,
    kNoSuchUser = 1067,              // the user as given
    kAmbiguousUser = 1068,           // name, the folders of the users of that name
    kNoUserSettingsIn = 1069,        // folder
    kWaitingForOtherRun = 1070,      // process id, program directory
    kOtherRunHoldsDirectory = 1071,  // process id, program directory
    // Zmodem file transfer.
    kZmodemNoHeader = 1150,
    kZmodemPeerCancelled = 1151,
    kZmodemTooManyErrors = 1152,   // '%s' the file
    kZmodemLengthMismatch = 1153,  // file, bytes that arrived, bytes announced
    kZmodemSkipped = 1154,
    kZmodemUnusableName = 1155,
    kZmodemNotRegularFile = 1156,
    kZmodemPeerEnded = 1157,
    kZmodemBadPosition = 1158,  // file, position asked for
    kZmodemFileExists = 1159,   // the Download question
    kZmodemFileSize = 1160,     // "(%d bytes  %s)"
    kZmodemCountdown = 1161,    // "%s downloading after %d seconds"
    kZmodemResuming = 1162,
    kZmodemSkipping = 1163,
    kZmodemNoAnswer = 1164,
    kZmodemFileTooLarge = 1165,
    kZmodemDownloadTitle = 1166,
    kZmodemResume = 1167,
    kZmodemOverwrite = 1168,
    kZmodemRename = 1169,
    kZmodemSkip = 1170,

    // Address book.
    kYourNameChanged = 1200,
    kYourAliasChanged = 1201,
    kAddressRequestQueued = 1202,
    kAddressBookEmpty = 1203,  // "... Do you want to download it from %s?" (Yes/No)
    kPersonalBookNotOpen = 1204,
    kCsvUnknownFormat = 1205,
    kNodeAddressesNotImported = 1206,
    kNotAnAddressList = 1207,
    kAddressListZipped = 1208,
    kAddressListUnknownNode = 1209,
    kAddressLinesPassedOver = 1210,
    kCsvRowsPassedOver = 1211,
    kAddressAlreadyKept = 1212,
    kNotAnInternetAddress = 1213,
    kAddressNameTooLong = 1214,
    kAddressTooLong = 1215,
    kNoAddressFound = 1216,
    kAddressAmbiguous = 1217,  // "'%s' may mean any of these:\n%s"
    kTooManyExportNodes = 1218,

    // The downdump import.
    kErrorUnzipping = 1300,  // "Error unzipping the file '%s'", then the reason
    kZipMethodUnsupported = 1301,
    kZipEncrypted = 1302,
    kZipStoredWithDescriptor = 1303,
    kZipTruncated = 1304,
    kZipSizeMismatch = 1305,
    kZipChecksumMismatch = 1306,
    kZipBadData = 1307,
    kZipNoSpace = 1308,
    kErrorMessageFromNode = 1310,  // "Error message from %s"
    kWarningFromNode = 2200,       // "Warning from %s"
    kErrorsInPacket = 2201,        // "There were errors in the uploaded mail packet. ..." (Yes/No)
    kNotMainCabinet = 2202,        // "Currently you have not opened the main cabinet ..." (Yes/No)
    kReopenSessionCabinet = 2203,  // (Yes/No)
    kEchoItemGone = 2204,
    kFileSkippedNoNode = 2205,
    kLinesCut = 2206,
    kAddressListNotImported = 2207,
    kPreviousLogin = 3200,     // "Previous login was on %s"
    kLastBatchSession = 3201,  // "The last batch session ran on\n%s"
    kEnterNodeName = 3202,
    kCommandResultsSubject = 3203,  // the subject of command output without an out-basket item
    kImportingTexts = 3204,         // "Importing texts in %s"
    kImportingAddresses = 3205,     // "Importing addresses in %s"
    kContentsInAttachedFile = 3206,
    kImportTitle = 3207,
    // Server commands from the catalogue.
    kNoSuchField = 1400,
    kNameNotFound = 1401,
    kNameAmbiguous = 1402,      // "'%s' may mean: %s"
    kPrivateConference = 1403,  // a private conference cannot be joined by oneself
    kNotACheckBox = 1404,
    kNoSuchCommand = 1405,
    kNotSchedulable = 1406,
    kTopicNotCommand = 1407,
    kCommandTooLong = 1408,  // "... longer than %d bytes"
    kPasswordLength = 1409,  // "... %d to %d characters"
    kPasswordCharacters = 1410,
    kPasswordRepeats = 1411,
    kPasswordVariety = 1412,  // "... at least %d different characters"
    kNoFavourite = 1413,
    kRepeatCount = 1414,  // the field name of the repetition's count
    kCommandIncomplete = 1415,
    kCommandNotListed = 1416,
    kCatalogueKeptAside = 1417,  // the catalogue, the name it is kept under
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
