// A child process for the crash tests of the file-backed defaults store: writes one record in a loop,
// each a counter and a payload derived from it, and after each completed write reports one byte on
// standard output, until it is killed.
//
//   defaults_writer <folder> <domain>

#include <cstdio>
#include <string>

#include <unistd.h>

#include "ferrywise/freedesktop/FileUserDefaults.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: defaults_writer <folder> <domain>\n");
        return 2;
    }
    ferrywise::freedesktop::FileUserDefaults defaults(argv[1], argv[2]);
    for (long counter = 1;; ++counter) {
        // 200 KB per record: long enough that a kill often lands inside the write.
        std::string payload(200'000, static_cast<char>('a' + counter % 26));
        defaults.set("record", {{"counter", counter}, {"payload", payload}});
        if (::write(STDOUT_FILENO, "+", 1) != 1) {
            return 1;
        }
    }
}
