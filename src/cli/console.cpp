#include "cli_common.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
// Text files end their lines with CR LF themselves: standard output must not translate them.
struct BinaryStdout {
    BinaryStdout() {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
    }
};

bool write(std::FILE* stream, std::string_view bytes) {
    static const BinaryStdout binary;
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}
} // namespace

namespace console {

bool out(std::string_view bytes) {
    return write(stdout, bytes);
}

bool outLine(const QString& line) {
    const QByteArray bytes = (line + u'\n').toUtf8();
    return out(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool flushOut() {
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

void error(const QString& message) {
    const QByteArray bytes = (QStringLiteral("qz407-cli: ") + message + u'\n').toUtf8();
    std::fflush(stdout);
    write(stderr, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    std::fflush(stderr);
}

void errRaw(std::string_view text) {
    write(stderr, text);
    std::fflush(stderr);
}

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

} // namespace console
