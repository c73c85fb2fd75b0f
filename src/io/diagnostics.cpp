#include "io/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace dxfprofile {
namespace {

std::string failure;

std::string formatted(const char* format, va_list arguments) {
    va_list again;
    va_copy(again, arguments);
    int n = std::vsnprintf(nullptr, 0, format, arguments);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

void printLine(const char* kind, const char* format, va_list arguments) {
    std::string text = formatted(format, arguments);
    std::fprintf(stderr, "%s: %s%s\n", PROGRAM_NAME, kind, text.c_str());
    std::fflush(stderr);
}

}  // namespace

void noteFailure(const char* format, ...) {
    if (!failure.empty()) return;
    va_list arguments;
    va_start(arguments, format);
    failure = formatted(format, arguments);
    va_end(arguments);
}

void noteSystemFailure(const char* action, const char* path, int error) {
    noteFailure("cannot %s %s: %s", action, path, std::strerror(error));
}

bool failureNoted() {
    return !failure.empty();
}

void clearFailure() {
    failure.clear();
}

const std::string& failureText() {
    return failure;
}

void printFailure(int status) {
    if (status == 0) return;
    if (failure.empty()) {
        std::fprintf(stderr, "%s: failed with status %d\n", PROGRAM_NAME, status);
    } else {
        std::fprintf(stderr, "%s: %s\n", PROGRAM_NAME, failure.c_str());
    }
    std::fflush(stderr);
}

void printWarning(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printLine("warning: ", format, arguments);
    va_end(arguments);
}

void printNote(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printLine("note: ", format, arguments);
    va_end(arguments);
}

}  // namespace dxfprofile
