#pragma once

// The yardstick of the parsing benchmarks: expat reading a file in the same chunks as the tree
// builder and reporting every event to handlers that do nothing.
#include <benchmark/benchmark.h>
#include <expat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace nodeloom::bench {

inline void XMLCALL ignoreStart(void*, const XML_Char*, const XML_Char**) {}
inline void XMLCALL ignoreEnd(void*, const XML_Char*) {}
inline void XMLCALL ignoreText(void*, const XML_Char*, int) {}

// True when the document was well-formed.
inline bool bareParse(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(parser, ignoreStart, ignoreEnd);
    XML_SetCharacterDataHandler(parser, ignoreText);
    constexpr int chunkSize = 256 * 1024;
    bool ok = false;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, chunkSize);
        const ssize_t count = ::read(fd, buffer, chunkSize);
        if (count < 0) break;
        const bool last = count == 0;
        if (XML_ParseBuffer(parser, static_cast<int>(count), last) != XML_STATUS_OK) break;
        if (last) {
            ok = true;
            break;
        }
    }
    XML_ParserFree(parser);
    ::close(fd);
    return ok;
}

// Reports the file's size per iteration, so that a pass over it reads as a throughput.
inline void setBytes(benchmark::State& state, const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error)
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                static_cast<int64_t>(size));
}

}  // namespace nodeloom::bench
