#include "platform/resource_strings.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace orvane::platform {

namespace {

struct Entry {
    int id;
    const char* text;
};

// Sorted by number. Subsystems add their messages here as they are built.
constexpr Entry kStrings[] = {
    {32,
     "Your password on the node has changed.\nPlease enter the new password in the user settings."},
    {33,
     "You have been excluded from batch sessions\nbecause the password that is entered in\nthe "
     "user options is wrong."},
    {34,
     "The file '%s' does not exist.\nDo you want to create an empty\nfiling cabinet with that "
     "name?"},
    {35,
     "Repairing of the filing cabinet is required if you\nget unusual error messages. Normally "
     "the\nrepairing is done automatically (e.g. after the\nprogram has crashed while writing to "
     "the disk).\n\nDo you want to repair the filing cabinet?"},
    {36,
     "This will make the database file smaller\nby putting as much data in each data\nblock as "
     "possible.\n\nDo you want to compact the database?"},
    {37,
     "This makes sure that texts in the threads are linked.\nNormally this is automatically done "
     "but it may be required\nif you have imported texts in reverse order.\n\nDo you want to link "
     "the comments?"},
    {38, "%d texts are missing.\nDo you want to download them from %s?"},
    {39, "%d text is missing.\nDo you want to download it from %s?"},
    {41, "There is no mail to send"},
    {42,
     "The texts that are still in the out-basket\nhave not been sent because they are on\na "
     "different node than %s"},
    {56, "This command is already in the out-basket.\nYou need not do it again."},
    {57, "Could not attach the file '%s'\nbecause it does not exist.\n\nDo you want to continue?"},
    {65, "%s is missing"},
    {66, "%s is invalid"},
    {67, "This name already exists"},
    {72, "You need a newer program version\nto open the filing cabinet"},
    {73, "Wrong Password"},
    {74, "The box '%s' still holds texts or boxes.\nEmpty it before you delete it."},
    {75, "The box '%s' belongs to the program\nand cannot be deleted."},
    {76, "The box '%s' cannot be moved there."},
    {77, "'%s' is a directory.\nTexts can only be filed in boxes."},
    {101, "Cannot log in because the file '%s' is missing or bad"},
    {102, "First please select the node in the User Settings."},
    {103, "In the User Settings the node %s\nis selected. But it is no longer active."},
    {104,
     "XxxQOR could not create the mail packet because\nfor today all possible file names are used "
     "up.\nPlease delete one of the '%s'\nfiles and try again."},
    {105, "Could not zip the file '%s'"},
    {130, "Cannot open the file '%s'"},
    {131, "Cannot read the file '%s'"},
    {132, "Cannot write the file '%s'"},
    {133,
     "The filing cabinet is read-only. You cannot modify it.\nIf you want to modify it, exit "
     "XxxQOR,\nopen the properties of the file '%s'\nand uncheck 'read-only'."},
    {134, "The filing cabinet is full"},
    {135, "The box '%s' is full"},
    {136, "The filing cabinet could not be repaired."},
    {174,
     "The file XxxQOR.ini has been written by\nversion %d. But now you are running\nversion %d. "
     "This may lead to trouble.\n\nDo you still want to continue?"},
    {182, "You are about to change your own settings.\nContinue?"},
    {184,
     "This will erase all filing cabinets and\nthe personal address book in the folder\n'%s'.\n\n"},
    {185,
     "This will erase the whole folder\n'%s'\nwith all filing cabinets, the personal address "
     "book\nand every other file in it.\n\n"},
    {186, "These files belong to\n%s (on %s).\n\n"},
    {187, "If you really want this, type\n\"completely erase user\"\ninto the box below."},
    {188,
     "There already exists a folder for\n%s.\nDo you want to use the existing folder?\n\n(Click "
     "'No' to create a new folder.)"},
    {240, "I have received your letter."},
    {241, "Please confirm that you have received this text:"},
    {752, "0+ ALPHABETICALLY:"},
    {753, "0s Manually"},
    {754, "Schedule "},
    {755, "is now %s."},
    {758, "Upload "},
    {883, "Find and open XxxQOR.ini"},
    {884, "completely erase user"},
    {907, "What's new in XxxQOR/Lumeth %d"},
    {918, "The first date"},
    {919, "The last date"},
    {1000, "Cancelled"},
    {1001, "The connection was closed"},
    {1002, "The connection failed: %s"},
    {1010, "Text %s was damaged and has been removed."},
    {1020,
     "Could not attach the file '%s'\nbecause it cannot be read:\n%s\n\nDo you want to continue?"},
    {1021, "A mail packet is being built already."},
    {1030, "%s is not UTF-8 at line %d, column %d."},
    {1031,
     "%s holds the character %s at line %d, column %d,\nwhich the code page %s cannot "
     "hold.\nTransliteration would replace it with its nearest form."},
    {1033, "%s must not hold a line break or another control character (character %d)."},
    {1034, "%s is longer than %d characters."},
    {1035,
     "The text takes %d bytes, but a text can hold at most %d.\nSend a long text as an "
     "attached file instead."},
    {1036, "Text %s is not on your home node; only a text there\ncan be linked as a comment."},
    // Connection: Telnet and TLS transport, terminal.
    {1040, "Connecting to %s"},
    {1041,
     "Cannot connect to %s.\n\nThere may be a problem on your computer\nor on your ISP's system. "
     "If you can still\nconnect to the Internet from your computer,\nthen probably the %s server "
     "is temporarily\noff-line.\n\nDo you anyway want to try again now?"},
    {1042, "Try again?"},
    {1043, "Cannot connect to %s: %s"},
    {1044, "Connected to %s"},
    {1045,
     "The secure connection to %s could not be set up: %s.\nThe connection was closed, so that "
     "nothing is sent unencrypted."},
    {1046,
     "The certificate of %s has changed.\n  Stored:  %s\n  Offered: %s\nThe connection was "
     "refused. If the node really has a new certificate,\naccept it with: orvane node trust %s"},
    {1047,
     "%s offered a secure connection before, but not this time.\n  Stored:  %s\n  Offered: "
     "none\nThe connection was refused. If the node really stopped offering it,\naccept that "
     "with: orvane node trust %s"},
    {1048, "The certificate of %s is stored from now on:\n  %s"},
    {1049, "The connection to %s is encrypted (%s)"},
    {1050, "There is no endpoint to connect to.\nName one with --endpoint HOST:PORT."},
    {1051, "Connected to %s. Type Ctrl-] and then q to leave."},
    {1052, "The certificate of %s is unchanged:\n  %s"},
    {1053,
     "Certificate of %s\n  Stored:  %s\n  Offered: %s\n\nDo you want to accept the offered "
     "one?"},
    {1054, "%s is trusted with the certificate\n  %s"},
    {1055, "no answer within %d seconds"},
    {1056, "the server closed the connection"},
    {1057, "%s no longer offers a secure connection; its stored certificate was removed."},
    {1060, "The value for \"%s\" in [%s] cannot be stored: %s."},
    {1061, "'%s' is not a value for \"%s\": it takes %s."},
    {1062, "\"%s\" is not a key of [%s] that XxxQOR reads."},
    {1063, "\"%s\" in [%s] is kept by XxxQOR itself."},
    {1064, "\"%s\" in [%s] is not stored in '%s'."},
    {1065, "There is no local user yet."},
    {1066, "There are several local users and no default user."},
    {1067, "There is no local user '%s'."},
    {1068, "More than one local user is called '%s':\n%s\nGive the folder instead."},
    {1069, "The folder '%s' holds no settings of a user."},
    {1070,
     "Another XxxQOR (process %s) is using the program directory\n'%s'.\nWaiting for it to "
     "finish..."},
    {1071,
     "Another XxxQOR (process %s) is still using the program directory\n'%s'.\nTry again when it "
     "has finished."},
    {1110,
     "Rebuilding the search index is required\nif you have added or removed texts while\nthe "
     "search index was switched off.\nIt may be also required after repairing\nthe filing "
     "cabinet.\n\nDo you want to rebuild the search index?%s"},
    {1111,
     "You have switched on the search index but\nit is not up-to-date. You should rebuild "
     "it.\n\nDo you want to do this now?"},
    {1112,
     "If you cancel the updating of the search index,\nit will be no longer up-to-date.\n\nDo "
     "you still want to cancel?"},
    {1113,
     "The search index entry of the word '%s' is damaged.\nThe search index needs to be rebuilt."},
    {1114,
     "The word '%s' is in too many texts for the search index.\nThe search index is no longer "
     "up-to-date."},
    {1115,
     "The filing cabinet keeps no search index.\n\nDo you want to switch it on and build it now?"},
    {1116,
     "The search index is not up-to-date,\nso the results may miss texts.\n\nDo you want to "
     "rebuild it now?"},
    {1117, "The filing cabinet keeps no search index."},
    {1118, "The search index is not up-to-date: the results may miss texts."},
    {1119,
     "%d texts named by the search index are no longer in the filing cabinet.\nThe search index "
     "needs to be rebuilt."},
    {1120, "There is nothing to search for."},
    {1121, "The search has a double quote that is not closed."},
    {1122, "'%s' is not a field to search in.\nThe fields are from:, to:, subject: and file:."},
    {1123, "'%s' needs at least one letter or digit before the *."},
    {1124, "The word '%s' is longer than the %d characters\nthat the search index keeps."},
    {1125, "'%s' holds no word to search for."},
    // Zmodem file transfer.
    {1150, "The other side did not answer the file transfer"},
    {1151, "The other side cancelled the file transfer"},
    {1152, "The transfer of '%s' failed after repeated errors"},
    {1153, "The file '%s' has %u bytes, but %u were announced"},
    {1154, "The receiver skipped the file '%s'"},
    {1155, "The file name '%s' cannot be used"},
    {1156, "'%s' exists and is not a regular file, so it was not written"},
    {1157, "The other side ended the transfer of '%s'"},
    {1158, "The receiver asked for '%s' from byte %u, which is beyond its end"},
    {1159, "The file '%s' already exists.\n\nExisting file: %s\nNew file: %s\n\n%s"},
    {1160, "(%d bytes  %s)"},
    {1161, "%s downloading after %d seconds"},
    {1162, "Resuming"},
    {1163, "Skipping"},
    {1164, "The other side stopped answering during the transfer of '%s'"},
    {1165, "The file '%s' is too large for a Zmodem transfer"},
    {1166, "Download"},
    {1167, "Resume"},
    {1168, "Overwrite"},
    {1169, "Rename"},
    {1170, "Skip"},
    // Address book.
    {1200, "Your name has been changed to\n%s."},
    {1201, "Your alias has been changed to\n%s."},
    {1202,
     "XxxQOR has put a command in the out-basket\nthat will download the address book from %s."},
    {1203, "The address book for %s is empty. Do you want to download it from %s?"},
    {1204, "Cannot import the addresses because the\npersonal address book is not open."},
    {1205,
     "Cannot import the addresses because the\nfile '%s'\nhas an unknown format.\n\n(The fields "
     "must be separated by commas\nand there must be the field 'Name' and a\nfield beginning "
     "with 'E-Mail' or 'EMail'.)"},
    {1206,
     "Addresses of users and conferences on %s\nare not imported into the personal address "
     "book."},
    {1207,
     "'%s' is not the name of an address list.\n(Address lists are named like CO00123$ or "
     "CO00123#.)"},
    {1208, "The address list '%s' is zipped.\nUnpack it first."},
    {1209, "The address list '%s' belongs to the node %c,\nwhich is not in the list of nodes."},
    {1210, "%d lines of '%s' could not be read\nand were passed over."},
    {1211, "%d rows of '%s' could not be read\nand were passed over."},
    {1212, "'%s' <%s> is already in the personal address book."},
    {1213, "'%s' is not an Internet address."},
    {1214, "The name '%s' is longer than 55 characters."},
    {1215, "The address '%s' is longer than 63 characters."},
    {1216, "No name in the address book matches '%s'."},
    {1217, "'%s' may mean any of these:\n%s"},
    {1218, "At most 10 nodes can be exported at a time."},
    {1300, "Error unzipping the file '%s'\n%s"},
    {1301, "The member '%s' is packed with method %d, which cannot be unpacked here."},
    {1302, "The member '%s' is encrypted."},
    {1303,
     "The member '%s' is stored with its sizes after its data,\nwhich cannot be read as a "
     "stream."},
    {1304, "The archive ends inside the member '%s'."},
    {1305, "The member '%s' does not have the sizes its header claims."},
    {1306, "The checksum of the member '%s' does not match its contents."},
    {1307, "The packed data of the member '%s' is damaged."},
    {1308, "The member '%s' unpacks to %s bytes, more than the %s bytes free on the disk."},
    {1310, "Error message from %s"},
    // Server commands from the catalogue.
    {1400, "The command has no field '%s'"},
    {1401, "'%s' is not in the address book"},
    {1402, "'%s' may mean: %s"},
    {1403,
     "Since this is a private conference you cannot join it yourself.\nAsk an organizer of the "
     "conference to add you as a member."},
    {1404, "'%s' is not a check box of this command"},
    {1405, "There is no command '%s'"},
    {1406, "The command '%s' cannot be scheduled"},
    {1407, "'%s' is a topic, not a command"},
    {1408, "The command is longer than %d bytes"},
    {1409, "The password must have %d to %d characters"},
    {1410, "The password may hold only letters, digits and punctuation"},
    {1411, "The password may not hold the same character three times in a row"},
    {1412, "The password needs at least %d different characters"},
    {1413, "'%s' cannot be a favourite command"},
    {1414, "The number of days, weeks, months or years"},
    {1415, "The command is not complete"},
    {1416, "The command '%s' is not in your command list"},
    {1417,
     "The command list '%s' could not be read and was replaced by the built-in one.\nYour file is "
     "kept as '%s'."},
    {2000, "%s: these characters were replaced: %s"},
    {2200, "Warning from %s"},
    {2201, "There were errors in the uploaded mail packet.\nWould you like to see the file '%s'?"},
    {2202, "Currently you have not opened the main cabinet '%s'.\nDo you want to %s anyway?"},
    {2203,
     "Currently the cabinet '%s' is open\nbut at the beginning of the login session\nthe "
     "cabinet '%s' was open.\n\nDo you want to reopen '%s'\nbefore XxxQOR imports the "
     "texts?\n\n(Click 'Yes' to import the texts in '%s'\nor 'No' to import the texts in "
     "'%s')"},
    {2204,
     "The server's answer names the out-basket item %d,\nwhich is no longer in the filing "
     "cabinet."},
    {2205, "The file '%s' does not name its node and was skipped."},
    {2206, "Lines longer than %d bytes were cut in the file '%s'."},
    {2207, "The address list '%s' was not imported: no address book is open."},
    {3000,
     "The filing cabinet '%s' was damaged and has been repaired.\nThe damaged file is kept as "
     "'%s'.\n%d texts named in its boxes could not be kept."},
    {3200, "Previous login was on %s"},
    {3201, "The last batch session ran on\n%s"},
    {3202,
     "Please enter the name of the node:\n(If you don't want this message again then don't "
     "remove the line\n'Mail from ... for ...' or 'Processing updump to ...' from the file.)"},
    {3203, "Results of server commands"},
    {3204, "Importing texts in %s"},
    {3205, "Importing addresses in %s"},
    {3206, "The contents is in the attached file '%s'.\n"},
    {3207, "Import"},
};

static_assert(std::adjacent_find(std::begin(kStrings), std::end(kStrings),
                                 [](const Entry& a, const Entry& b) { return a.id >= b.id; }) ==
                  std::end(kStrings),
              "message table must stay sorted by number, each number once");

const Entry* find(int id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const Entry& e, int wanted) { return e.id < wanted; });
    return it != std::end(kStrings) && it->id == id ? it : nullptr;
}

}  // namespace

bool has_resource_string(int id) {
    return find(id) != nullptr;
}

std::string resource_string(int id) {
    const Entry* entry = find(id);
    if (!entry) return {};
    std::string text = entry->text;
    constexpr std::string_view kPlaceholder = "XxxQOR";
    for (size_t at = text.find(kPlaceholder); at != std::string::npos;
         at = text.find(kPlaceholder, at)) {
        text.replace(at, kPlaceholder.size(), kProgramName);
        at += std::char_traits<char>::length(kProgramName);
    }
    return text;
}

}  // namespace orvane::platform
