#include "cli/OutputFiles.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/Command.h"
#include "platform/File.h"
#include "platform/SafeOutput.h"

namespace veldrant::cli {

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::string error;
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, &error);
    if (out && out->Write(bytes) && out->Commit())
        return true;
    std::fprintf(stderr, "veldrant-cli: %s\n", out ? out->Error().c_str() : error.c_str());
    return false;
}

std::string OutputIsOneOf(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (platform::SameFile(output, input)) {
            return output == input
                       ? "'" + output + "' is this command's input; it cannot be its output too"
                       : "'" + output + "' is the input '" + input +
                             "' (the same file); it cannot be the output too";
        }
    }
    return "";
}

CLI::Option* CommandLine::Output(CLI::Option* option) {
    outputs_.push_back(option);
    return option;
}

std::string CommandLine::OutputIsInput(const CLI::App* chosen) const {
    const std::vector<const CLI::Option*> own = chosen->get_options();
    auto mine = [&own](const CLI::Option* option) {
        return std::find(own.begin(), own.end(), option) != own.end();
    };
    std::vector<std::string> inputs;
    for (const CLI::Option* option : inputs_) {
        if (mine(option)) {
            for (const std::string& path : option->results())
                inputs.push_back(path);
        }
    }
    for (const CLI::Option* option : outputs_) {
        if (!mine(option))
            continue;
        for (const std::string& path : option->results()) {
            if (std::string why = OutputIsOneOf(path, inputs); !why.empty())
                return why;
        }
    }
    return "";
}

bool MakeOutputFolderOrSay(const std::string& dir) {
    std::string error;
    if (platform::MakeOutputFolder(dir, &error))
        return true;
    std::fprintf(stderr, "veldrant-cli: %s\n", error.c_str());
    return false;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(platform::Utf8Path(path), ec);
    return ec ? path : platform::PathUtf8(abs.lexically_normal());
}

}  // namespace veldrant::cli
