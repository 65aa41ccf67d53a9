#include "settings/node_table.h"

#include <gtest/gtest.h>

#include "platform/builtin_files.h"
#include "platform/file.h"
#include "settings/ini_file.h"
#include "tests/support/temp_directory.h"

namespace orvane::settings {
namespace {

using orvane::testing::TempDirectory;

void write(const std::string& path, const std::string& text) {
    ASSERT_EQ(platform::write_whole_file(path, text.data(), text.size()), 0);
}

TEST(NodeTableTest, AMissingFileIsReplacedByTheBuiltInCopy) {
    TempDirectory home;
    IniCache cache;
    NodeTable table = load_node_information(cache, home.path());
    EXPECT_GE(table.version, kFirstNodeInfoVersion);
    const NodeEntry* home_node = table.by_letter(kDefaultHomeNode);
    ASSERT_NE(home_node, nullptr);
    EXPECT_TRUE(home_node->active);
    EXPECT_EQ(table.connection(1), "127.0.0.1:2323");
    EXPECT_EQ(cache.size(), 0u);

    platform::BuiltinFile builtin;
    ASSERT_TRUE(
        platform::parse_builtin_resource(platform::builtin_resource(kNodeInfoResource), &builtin));
    std::time_t time = 0;
    ASSERT_EQ(platform::file_modification_time(home.file(kNodeInfoFile), &time), 0);
    EXPECT_EQ(time, builtin.date);
}

TEST(NodeTableTest, AFileWithoutNodesIsReplacedOnTheSecondPass) {
    TempDirectory home;
    write(home.file(kNodeInfoFile), "[General]\nVersion=12\nTelnet1=example.org\n[Nodes]\n");
    IniCache cache;
    NodeTable table = load_node_information(cache, home.path());
    EXPECT_NE(table.by_letter('C'), nullptr);
    EXPECT_EQ(table.connection(1), "127.0.0.1:2323");
}

TEST(NodeTableTest, EntriesEndpointsAndLookups) {
    TempDirectory home;
    write(
        home.file(kNodeInfoFile),
        "; comment\n[General]\nVersion=12\nTelnet1=one:23\nTelnet2=two\nTelnet3=\nTelnet4=four:99\n"
        "[Nodes]\nALPHA=65\nDIGIT=48\nLONGNAMEXY=66\n"
        "[Node.ALPHA]\nAlias=ALF\nActive=1\nDomain=alpha.example\nDomain3=mail.alpha.example\n"
        "[Node.DIGIT]\nAlias=DIG\nActive=1\nDomain=digit.example\nProgram=other\n"
        "[Node.LONGNAMEXY]\nActive=0\n");
    IniCache cache;
    NodeTable table = load_node_information(cache, home.path());
    EXPECT_EQ(table.connections, (std::vector<std::string>{"one:23", "two", "four:99"}));
    ASSERT_EQ(table.nodes.size(), 3u);

    const NodeEntry& alpha = table.nodes[0];
    EXPECT_EQ(alpha.letter, 'A');
    EXPECT_TRUE(alpha.active);
    EXPECT_EQ(alpha.program, "qor");
    EXPECT_EQ(alpha.domains, (std::vector<std::string>{"alpha.example", "mail.alpha.example"}));

    const NodeEntry& digit = table.nodes[1];
    EXPECT_EQ(digit.letter, 0);
    EXPECT_EQ(digit.alias, "DIG");
    EXPECT_FALSE(digit.active);
    EXPECT_TRUE(digit.domains.empty());
    EXPECT_EQ(table.nodes[2].name, "LONGNAME");

    EXPECT_EQ(table.by_name("alf"), &alpha);
    EXPECT_EQ(table.by_name("Alpha"), &alpha);
    EXPECT_EQ(table.by_name("dig"), &digit);
    EXPECT_EQ(table.by_name(""), nullptr);
    EXPECT_EQ(table.by_domain("MAIL.alpha.example"), &alpha);
    EXPECT_EQ(table.by_domain("digit.example"), nullptr);
    EXPECT_TRUE(table.is_active('A'));
    EXPECT_FALSE(table.is_active('B'));
    EXPECT_EQ(table.connection(4), std::nullopt);

    const texts::NodeNames& names = table;
    EXPECT_EQ(names.node_name('A'), "ALPHA");
    EXPECT_EQ(names.node_name('Z'), "");
    EXPECT_EQ(names.node_key_by_name("alf"), 'A');
    EXPECT_EQ(names.node_key_by_name("DIGIT"), 0);
}

TEST(NodeTableTest, AnOldFileIsReplacedAndItsDefaultEndpointKept) {
    TempDirectory home;
    write(home.file(kNodeInfoFile),
          "[General]\nVersion=11\n[Nodes]\nOLD=79\n[Node.TELVA]\nTelnet=qor.meridian.example:23\n");
    IniCache cache;
    NodeTable table = load_node_information(cache, home.path());
    EXPECT_EQ(table.by_name("OLD"), nullptr);
    ASSERT_GT(table.default_connection, 0);
    EXPECT_EQ(table.connection(table.default_connection), "qor.meridian.example:23");
}

TEST(NodeTableTest, EndpointsAreSplitIntoHostAndPort) {
    auto endpoint = parse_endpoint("127.0.0.1:2323");
    ASSERT_TRUE(endpoint);
    EXPECT_EQ(endpoint->host, "127.0.0.1");
    EXPECT_EQ(endpoint->port, 2323);
    EXPECT_EQ(parse_endpoint("host")->port, 23);
    EXPECT_FALSE(parse_endpoint("host:"));
    EXPECT_FALSE(parse_endpoint("host:70000"));
    EXPECT_FALSE(parse_endpoint(":23"));
}

TEST(NodeTableTest, IPv6EndpointsKeepTheirColons) {
    auto bracketed = parse_endpoint("[::1]:2323");
    ASSERT_TRUE(bracketed);
    EXPECT_EQ(bracketed->host, "::1");
    EXPECT_EQ(bracketed->port, 2323);
    auto bare = parse_endpoint("2001:db8::7");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->host, "2001:db8::7");
    EXPECT_EQ(bare->port, 23);
    EXPECT_EQ(parse_endpoint("[fe80::1]")->port, 23);
    EXPECT_FALSE(parse_endpoint("[::1"));
    EXPECT_FALSE(parse_endpoint("[::1]2323"));
    EXPECT_FALSE(parse_endpoint("[::1]:"));
    EXPECT_FALSE(parse_endpoint("[]:23"));
}

}  // namespace
}  // namespace orvane::settings
