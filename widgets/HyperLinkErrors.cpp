#include "widgets/HyperLinkErrors.h"

#include <array>

namespace {

struct ErrorEntry {
    int result;
    const char* text;
};

constexpr std::array<ErrorEntry, 13> kErrors{{
    {kOpenOutOfResources, "The operating system is out\nof memory or resources."},
    {kOpenFileNotFound, "The specified file was not found."},
    {kOpenPathNotFound, "The specified path was not found."},
    {kOpenAccessDenied, "The operating system denied\naccess to the specified file."},
    {kOpenOutOfMemory, "There was not enough memory to complete the operation."},
    {kOpenBadFormat, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {kOpenSharingViolation, "A sharing violation occurred. "},
    {kOpenAssocIncomplete, "The filename association is\nincomplete or invalid."},
    {kOpenDdeTimeout, "The DDE transaction could not\nbe completed because the request timed out."},
    {kOpenDdeFail, "The DDE transaction failed."},
    {kOpenDdeBusy,
     "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
     "processed."},
    {kOpenNoAssociation, "There is no application associated\nwith the given filename extension."},
    {kOpenDllNotFound, "The specified dynamic-link library was not found."},
}};

}  // namespace

std::string HyperLinkErrorText(int result) {
    for (const auto& e : kErrors) {
        if (e.result == result) {
            return e.text;
        }
    }
    return "Unknown Error (" + std::to_string(result) + ") occurred.";
}

std::string HyperLinkErrorMessage(int result) {
    return "Unable to open hyperlink:\n\n" + HyperLinkErrorText(result);
}
