// Load-and-look-up throughput of XmlDocument beside pugixml doing the same job on the same
// files, in the same run: generated documents of about 1 MB and 20 MB, UTF-8 without a mark
// and UTF-16LE with one. Prints MB/s for both and the ratio (ours / pugixml).
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/text.h"
#include "updater/config/xml_document.h"

namespace {

using Clock = std::chrono::steady_clock;

// A settings-like document: many sections of keys with text, references and comments.
std::string MakeDocument(std::size_t targetBytes) {
    std::string text = "<?xml version=\"1.0\"?>\n<CONFIG>\n";
    int section = 0;
    while (text.size() < targetBytes) {
        text += "  <SECTION_" + std::to_string(section) + " kind=\"plain\">\n";
        for (int key = 0; key < 8; ++key) {
            text += "    <KEY_" + std::to_string(key) + ">value " + std::to_string(section * 8 + key) +
                    " &amp; caf\xc3\xa9</KEY_" + std::to_string(key) + ">\n";
        }
        text += "    <!-- section " + std::to_string(section) + " -->\n  </SECTION_" +
                std::to_string(section) + ">\n";
        ++section;
    }
    text += "  <LAST><WANTED>found</WANTED></LAST>\n</CONFIG>\n";
    return text;
}

std::string Utf16LeWithMark(const std::string& utf8) {
    std::u16string wide = kivu::platform::Utf8ToUtf16(utf8);
    std::string bytes = "\xFF\xFE";
    for (char16_t c : wide) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

template <typename Job>
double BestSeconds(int rounds, Job job) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        if (!job()) {
            std::fprintf(stderr, "a load or lookup failed\n");
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kivu-xml-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);

    std::printf("%-22s %10s %12s %12s %8s\n", "document", "bytes", "ours MB/s", "pugixml MB/s", "ratio");
    for (std::size_t megabytes : {1u, 20u}) {
        const std::string utf8 = MakeDocument(megabytes * 1000 * 1000);
        for (bool wide : {false, true}) {
            const std::string bytes = wide ? Utf16LeWithMark(utf8) : utf8;
            const auto path = folder / (std::to_string(megabytes) + (wide ? "-utf16.xml" : "-utf8.xml"));
            std::ofstream(path, std::ios::binary) << bytes;
            const std::u16string widePath = kivu::platform::Utf8ToUtf16(path.string());

            const double ours = BestSeconds(rounds, [&] {
                kivu::config::XmlDocument document;
                return document.LoadFile(widePath) && document.LookupValue(u"LAST", u"WANTED") == u"found";
            });
            const double theirs = BestSeconds(rounds, [&] {
                pugi::xml_document document;
                return document.load_file(path.c_str()) &&
                       std::string(document.child("CONFIG").child("LAST").child("WANTED").text().get()) == "found";
            });
            const double mb = static_cast<double>(bytes.size()) / 1e6;
            std::printf("%-22s %10zu %12.1f %12.1f %8.2f\n",
                        (std::to_string(megabytes) + " MB " + (wide ? "UTF-16LE+mark" : "UTF-8")).c_str(),
                        bytes.size(), mb / ours, mb / theirs, theirs / ours);
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
