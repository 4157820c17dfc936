#include "sim/WatchService.h"

#include "devicelink/Frame.h"

namespace veldrant::sim {

uint32_t Request::Word(size_t index) const {
    if (4 * index + 4 > payloadSize)
        return 0;
    return LoadLe32(payload + 4 * index);
}

void Reply::SetWord(size_t index, uint32_t word) {
    if (4 * index + 4 > payload.size())
        return;
    StoreLe32(payload.data() + 4 * index, word);
}

}  // namespace veldrant::sim
