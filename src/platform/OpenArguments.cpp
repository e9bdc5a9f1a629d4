#include "platform/OpenArguments.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::OpenArguments {
namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool exists(const std::string& folder, const QByteArray& relative) {
    struct stat info {};
    return ::lstat((folder + '/' + relative.toStdString()).c_str(), &info) == 0;
}

} // namespace

bool hasScheme(const QByteArray& argument) {
    if (argument.isEmpty() || !isLetter(argument[0])) return false;
    for (qsizetype i = 1; i < argument.size(); ++i) {
        const char c = argument[i];
        if (c == ':') return true;
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
    }
    return false;
}

Kind kind(const QByteArray& argument) {
    if (argument.startsWith('/')) return Kind::file;
    if (!hasScheme(argument)) return Kind::unopenable;
    const QByteArray scheme = argument.left(argument.indexOf(':')).toLower();
    if (scheme == "file") return Kind::file;
    return scheme == "quorvane" ? Kind::link : Kind::unopenable;
}

QByteArrayList fromCommandLine(int count, const char* const* arguments, const std::string& folder) {
    QByteArrayList result;
    result.reserve(count);
    for (int i = 0; i < count; ++i) {
        QByteArray argument(arguments[i]);
        // "a:b.png" in the current folder is that file, not a link of the scheme "a".
        const bool relativePath = !argument.isEmpty() && !argument.startsWith('/') &&
                                  (!hasScheme(argument) || (!folder.empty() && exists(folder, argument)));
        if (relativePath && !folder.empty())
            argument.prepend(QByteArray::fromStdString(folder.back() == '/' ? folder : folder + '/'));
        result.append(argument);
    }
    return result;
}

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

} // namespace quorvane::OpenArguments
