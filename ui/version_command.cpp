#include <wolfssl/options.h>
#include <wolfssl/version.h>
#include <zlib.h>

#include <cstdio>

#include "platform/resource_strings.h"
#include "ui/cli.h"

namespace orvane::ui {

void add_version_command(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand(
        "version", "Print the program version and the libraries it was built with");
    command->callback([&context] {
        std::printf("%s\n", platform::kVersionText);
        std::printf("zlib %s\n", ZLIB_VERSION);
        std::printf("wolfSSL %s\n", LIBWOLFSSL_VERSION_STRING);
        context.exit_code = 0;
    });
}

}  // namespace orvane::ui
