#include "tests/cabinet/cabinet_fixture.h"

#include "platform/resource_strings.h"

namespace orvane::cabinet::testing {

using texts::HeaderCode;

texts::TextRecord full_text(texts::TextId id) {
    texts::TextRecord text;
    text.id = id;
    text.date = 0x5F5E1234;
    text.boxes = {5, 6, 64};
    text.author = {3, "Anna Berg"};
    text.by = {0, "Secretary Sam"};
    text.via = true;
    text.receivers.push_back({{1, "QOR.general"},
                              "",
                              0,
                              0,
                              HeaderCode::kTo,
                              HeaderCode::kTo,
                              texts::DateKind::kSent,
                              false,
                              2});
    text.receivers.push_back({{0, "Carl Dahl"},
                              "Eva Falk",
                              0x5F000000,
                              1234,
                              HeaderCode::kCc,
                              HeaderCode::kFrom,
                              texts::DateKind::kReceived,
                              true,
                              7});
    text.links.push_back({0x4B000010, HeaderCode::kReference, "Gus Holm"});
    text.links.push_back({0x4B000020, HeaderCode::kComment, ""});
    text.fields.push_back({HeaderCode::kInternet, "anna@example.org"});
    text.fields.push_back({HeaderCode::kRemark, "kept as text"});
    text.fields.push_back({HeaderCode::kAttachRenamed, ""});
    text.subject = "Re: all the fields";
    text.body = "First line\n\tsecond line with a tab\n\xE4\xF6 national\n";
    text.kind_flags = texts::kind_flags::kLetter | texts::kind_flags::kUnsent | 0x08;
    text.priority = 200;
    text.importance = 6;
    text.charset = texts::make_charset(2, 1);
    text.width = 79;
    text.outgoing_options =
        texts::outgoing_options::kAddAsComment | texts::outgoing_options::kShowSender;
    text.person = 2;
    text.author_code = 0x8001;
    text.for_person = "The Boss";
    return text;
}

texts::TextRecord plain_text(texts::TextId id, size_t body_size) {
    texts::TextRecord text;
    text.id = id;
    text.date = 1700000000 + id;
    text.author = {0, "Author " + std::to_string(id)};
    text.subject = "Subject " + std::to_string(id);
    std::string body;
    while (body.size() < body_size)
        body += "line of the body " + std::to_string(body.size()) + "\n";
    body.resize(body_size);
    if (!body.empty()) body.back() = '\n';
    text.body = body;
    return text;
}

}  // namespace orvane::cabinet::testing
