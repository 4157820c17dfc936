// Command codes of the watch's protocol.
#pragma once

namespace veldrant {

enum : int {
    CMD_FW_VERSION = 1,   // block 0 carries the firmware version bytes
    CMD_FW_UPDATE = 2,    // start (value 0, argument = image size), then image blocks
    CMD_COURSE_DATA = 3,  // argument records and course data blocks
    CMD_MARK_COUNT = 10,  // reply word = number of mark sets
    CMD_MARK_READ = 11,   // value = set index; reply word = set length; then blocks
    CMD_SCORE_INFO = 18,  // reply word non-zero when the watch holds score data
    CMD_SCORE_READ = 19,  // reply word = score data length; then blocks
    CMD_IDENTITY = 200,   // block 0 payload bytes 0..75 = the identity record
};

}  // namespace veldrant
