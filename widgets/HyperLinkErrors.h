#pragma once
// The texts shown when a hyperlink cannot be opened, keyed by the opener's result code.

#include <string>

// Result codes of a failed open (success is any code above 32).
inline constexpr int kOpenOutOfResources = 0;
inline constexpr int kOpenFileNotFound = 2;
inline constexpr int kOpenPathNotFound = 3;
inline constexpr int kOpenAccessDenied = 5;
inline constexpr int kOpenOutOfMemory = 8;
inline constexpr int kOpenBadFormat = 11;
inline constexpr int kOpenSharingViolation = 26;
inline constexpr int kOpenAssocIncomplete = 27;
inline constexpr int kOpenDdeTimeout = 28;
inline constexpr int kOpenDdeFail = 29;
inline constexpr int kOpenDdeBusy = 30;
inline constexpr int kOpenNoAssociation = 31;
inline constexpr int kOpenDllNotFound = 32;
inline constexpr int kOpenSucceeded = 33;

inline bool OpenSucceeded(int result) {
    return result > 32;
}

// The description of one failure ("The specified file was not found.").
std::string HyperLinkErrorText(int result);

// The whole message: "Unable to open hyperlink:\n\n" followed by the description.
std::string HyperLinkErrorMessage(int result);
