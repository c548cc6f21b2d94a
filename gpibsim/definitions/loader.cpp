// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/loader.h"

#include "gpibsim/definitions/definitionbuilder.h"
#include "gpibsim/definitions/resourcename.h"
#include "gpibsim/definitions/yamldocument.h"
#include "gpibsim/definitions/yamlfile.h"
#include "gpibsim/system/files.h"
#include "gpibsim/text/text.h"

#include <fmt/format.h>
#include <yaml-cpp/exceptions.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace gpibsim::definitions {

using pyformat::parseInt;
using pyformat::str;
using pyformat::Value;

namespace {

// pyvisa-sim reads a spec of integers separated by points, and takes every version up to 1.1
// whose first number is 1.
void checkVersion(const YamlFile &file, const YamlNode &root) {
    const YamlNode *spec = root.isMap() ? root.find("spec") : nullptr;
    if (spec == nullptr)
        file.fail(root, "no spec version");
    const std::string version = file.text(*spec, "spec");
    std::vector<std::int64_t> numbers;
    for (const std::string_view part : split(version, '.')) {
        const std::optional<std::int64_t> number = parseInt(part);
        if (!number)
            file.fail(*spec, fmt::format("spec \"{}\" is not a version X.Y", version));
        numbers.push_back(*number);
    }
    constexpr std::int64_t kNewest[] = {1, 1};
    if (std::ranges::lexicographical_compare(kNewest, numbers) || numbers[0] != 1)
        file.fail(*spec, fmt::format("spec {} is not 1.0 or 1.1", version));
}

class Loader {
public:
    explicit Loader(const ReadFile &read) : read_(read) {}

    // Places the board-0 GPIB resources of the file.
    void placeFile(const std::string &path, std::string_view text);
    Loaded &loaded() { return loaded_; }

private:
    struct Document {
        explicit Document(const std::string &path, std::string_view text)
            : file(path), yaml(text) {}

        YamlFile file;
        YamlDocument yaml;
    };

    const Document &document(const std::string &path, std::string_view text);
    const Document &referenced(const Document &from, const YamlNode &at, const std::string &name);
    void placeResource(const Document &document, const YamlNode &key, const YamlNode &resource);
    ChannelIds channelIds(const YamlFile &file, const YamlNode &resource, const YamlNode &device);

    const ReadFile &read_;
    std::map<std::string, Document, std::less<>> documents_;
    Loaded loaded_;
};

void Loader::placeFile(const std::string &path, std::string_view text) {
    const Document &source = document(path, text);
    const YamlNode *resources = source.yaml.root().find("resources");
    if (resources == nullptr)
        return;
    source.file.expectMap(*resources, "resources");
    for (const auto &[key, value] : resources->entries)
        placeResource(source, *key, *value);
}

const Loader::Document &Loader::document(const std::string &path, std::string_view text) {
    if (const auto known = documents_.find(path); known != documents_.end())
        return known->second;
    try {
        const Document &read = documents_.try_emplace(path, path, text).first->second;
        checkVersion(read.file, read.yaml.root());
        return read;
    } catch (const YAML::Exception &malformed) {
        throw LoadFailure{fmt::format("{}:{}:{}: malformed YAML: {}", path, malformed.mark.line + 1,
                                      malformed.mark.column + 1, malformed.msg)};
    }
}

// A file a resource names, relative to the folder of the file that names it. The path is
// written with '/', so that messages do not escape a backslash of Windows.
const Loader::Document &Loader::referenced(const Document &from, const YamlNode &at,
                                           const std::string &name) {
    const std::string path =
        pathText((filePath(from.file.path()).parent_path() / filePath(name)).lexically_normal());
    if (const auto known = documents_.find(path); known != documents_.end())
        return known->second;
    const FileText read = read_(path);
    if (!read.text)
        from.file.fail(at, fmt::format("cannot read {}: {}", path, read.error));
    return document(path, *read.text);
}

void Loader::placeResource(const Document &source, const YamlNode &key, const YamlNode &resource) {
    const YamlFile &file = source.file;
    const std::string &name = key.text;
    file.expectMap(resource, fmt::format("resource {}", name));
    const std::string device = file.requiredText(resource, "device");
    const std::optional<std::string> filename = file.optionalText(resource, "filename");
    const YamlNode *bundled = resource.find("bundled");
    if (filename && bundled != nullptr && isTruthy(*bundled)) {
        loaded_.notes.push_back(fmt::format("{}: resource {} skipped: it names a file of "
                                            "pyvisa-sim's own",
                                            file.where(key), name));
        return;
    }
    const Document &holder =
        filename ? referenced(source, keyOr(resource, "filename"), *filename) : source;
    const YamlNode *devices = holder.yaml.root().find("devices");
    if (devices == nullptr)
        holder.file.fail(holder.yaml.root(), "no devices");
    holder.file.expectMap(*devices, "devices");
    const YamlNode *node = devices->find(device);
    if (node == nullptr)
        file.fail(keyOr(resource, "device"),
                  fmt::format("unknown device \"{}\"{}", device,
                              filename ? " in " + holder.file.path() : ""));
    const ResourceName parsed = parseResourceName(name);
    if (parsed.kind == ResourceName::Kind::Malformed)
        file.fail(key, fmt::format("resource {}: {}", name, parsed.why));
    std::shared_ptr<Definition> definition =
        buildDefinition(holder.file, device, *node, channelIds(file, resource, *node));
    definition->origin = file.where(key);
    if (parsed.kind == ResourceName::Kind::Skipped) {
        loaded_.notes.push_back(
            fmt::format("{}: resource {} skipped: {}", file.where(key), name, parsed.why));
        return;
    }
    Resource placed{.address = parsed.address, .definition = definition};
    const auto taken = std::ranges::find(loaded_.instruments, parsed.address, &Resource::address);
    if (taken == loaded_.instruments.end()) {
        loaded_.instruments.push_back(std::move(placed));
        return;
    }
    loaded_.notes.push_back(fmt::format("{}: resource {} takes the place of the resource at {}, "
                                        "at the same address",
                                        definition->origin, name, taken->definition->origin));
    *taken = std::move(placed);
}

// Read only for a device with channels, as pyvisa-sim reads them.
ChannelIds Loader::channelIds(const YamlFile &file, const YamlNode &resource,
                              const YamlNode &device) {
    ChannelIds ids;
    const YamlNode *given = resource.find("channel_ids");
    const YamlNode *channels = device.isMap() ? device.find("channels") : nullptr;
    if (given == nullptr || channels == nullptr || !isTruthy(*channels))
        return ids;
    file.expectMap(*given, "channel_ids");
    for (const auto &[key, value] : given->entries) {
        const std::optional<std::vector<Value>> values = iterated(*value);
        if (!values)
            file.fail(*value, fmt::format("channel ids hold more than {} items", kMostValueItems));
        std::vector<std::string> &group = ids[key->text];
        for (const Value &id : *values)
            group.push_back(str(id));
    }
    return ids;
}

// A failure that is no LoadFailure, such as running out of memory, is still reported against
// the file being read, and every report is one line.
template <typename Place> Loaded load(const ReadFile &read, const std::string &path, Place place) {
    Loader loader(read);
    std::string current = path;
    std::string error;
    try {
        place(loader, current);
    } catch (const LoadFailure &failure) {
        error = failure.message;
    } catch (const std::exception &failure) {
        error = fmt::format("{}: {}", current, failure.what());
    }
    if (!error.empty())
        return {.instruments = {}, .notes = {}, .error = escaped(error)};
    Loaded loaded = std::move(loader.loaded());
    for (std::string &note : loaded.notes)
        note = escaped(note);
    return loaded;
}

} // namespace

FileText readFile(const std::string &path) {
    // Not blocking where it can, so that opening a FIFO does not wait for a writer.
#if defined(O_NONBLOCK)
    const int fd = openFile(path, O_RDONLY | O_NONBLOCK);
#else
    const int fd = openFile(path, O_RDONLY);
#endif
    if (fd < 0) {
        const int openError = errno;
#if defined(_WIN32)
        // Windows refuses to open a folder at all ("Permission denied").
        std::error_code error;
        if (std::filesystem::is_directory(filePath(path), error))
            return {.error = "not a regular file"};
#endif
        return {.error = std::strerror(openError)};
    }
    FileText file;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        file.error = "not a regular file";
    } else if (static_cast<std::size_t>(status.st_size) > kLargestFile) {
        file.error = fmt::format("larger than {} MiB", kLargestFile >> 20);
    } else {
        std::string text(static_cast<std::size_t>(status.st_size), '\0');
        std::size_t done = 0;
        ssize_t got = 0;
        while (done < text.size() && (got = ::read(fd, text.data() + done, text.size() - done)) > 0)
            done += static_cast<std::size_t>(got);
        if (got < 0)
            file.error = std::strerror(errno);
        else
            file.text = text.substr(0, done);
    }
    ::close(fd);
    return file;
}

Loaded loadFiles(std::string_view names, const std::string &library, const ReadFile &read) {
    return load(
        read, std::string(names),
        [&](Loader &loader, std::string &current) {
            for (const std::string_view name : split(names, kPathSeparator)) {
                if (name.empty())
                    continue;
                current = name;
                FileText file = read(current);
                if (!file.text && name.find_first_of(kFolderSeparators) == name.npos &&
                    !library.empty()) {
                    FileText installed = read(library + '/' + current);
                    if (installed.text) {
                        current = library + '/' + current;
                        file = std::move(installed);
                    } else {
                        file.error += fmt::format(", nor in {}", library);
                    }
                }
                if (!file.text)
                    throw LoadFailure{fmt::format("{}: cannot read: {}", current, file.error)};
                loader.placeFile(current, *file.text);
            }
        });
}

Loaded loadText(std::string_view text, const std::string &path, const ReadFile &read) {
    return load(
        read, path, [&](Loader &loader, std::string &) { loader.placeFile(path, text); });
}

} // namespace gpibsim::definitions
