#include "ui/address_access.h"

#include "app/address_books.h"
#include "platform/directories.h"
#include "texts/ascii.h"
#include "texts/code_pages.h"
#include "texts/text_record.h"

namespace orvane::ui {

AddressAccess::~AddressAccess() {
    if (personal_) succeeded(personal_->close());
}

bool AddressAccess::open() {
    if (!access_.path()) return false;
    if (auto& lists = access_.application().address_lists()) lists_ = &*lists;
    int variant = 1;
    if (settings::UserSettings* settings = user()) {
        viewer_ = app::viewer_of(*settings);
        variant = settings->values.options.character_set & 7;
        auto book = addressbook::BookFile::open(
            platform::join_path(access_.user_folder(), addressbook::kPersonalFileName), false,
            access_.context().ui);
        if (book.ok()) {
            personal_ = std::move(*book);
        } else {
            succeeded(book.status());
        }
    }
    charset_ = texts::make_charset(texts::charsets::kWindowsClass, variant);
    return true;
}

addressbook::BookFile* AddressAccess::required_lists() {
    if (!lists_) print_error("the address book of the nodes is not open");
    return lists_;
}

addressbook::Books AddressAccess::books() {
    return {lists_, personal()};
}

std::string AddressAccess::shown(std::string_view stored) const {
    return texts::to_utf8(stored, charset_);
}

std::optional<std::string> AddressAccess::typed(std::string_view utf8) const {
    std::vector<texts::Replacement> replaced;
    texts::ConversionProblem problem;
    std::optional<std::string> converted =
        texts::from_utf8(utf8, charset_, false, &replaced, &problem);
    if (!converted)
        print_error("'" + std::string(utf8) + "' cannot be written in the code page " +
                    texts::code_page_name(charset_));
    return converted;
}

std::optional<texts::NodeKey> AddressAccess::node(std::string_view given) const {
    if (given == "@") return addressbook::kPersonalNode;
    if (given.size() == 1) {
        const char letter = texts::to_upper(given[0]);
        if (nodes().by_letter(letter)) return static_cast<texts::NodeKey>(letter);
    }
    if (const settings::NodeEntry* node = nodes().by_name(given); node && node->letter)
        return static_cast<texts::NodeKey>(node->letter);
    print_error("no node '" + std::string(given) + "'");
    return std::nullopt;
}

}  // namespace orvane::ui
