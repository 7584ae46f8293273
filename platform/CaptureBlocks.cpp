#include "platform/CaptureBlocks.h"

#include <algorithm>
#include <cstring>

namespace platform {

void CaptureBlocks::Reset(std::size_t blockBytes, IAudioCapture::BlockHandler handler) {
    m_handler = std::move(handler);
    m_block.assign(blockBytes, 0);
    m_filled = 0;
}

void CaptureBlocks::Release() {
    m_handler = nullptr;
    m_filled = 0;
}

void CaptureBlocks::Append(const char* data, std::size_t length) {
    while (length > 0 && !m_block.empty()) {
        const std::size_t take = std::min(length, m_block.size() - m_filled);
        std::memcpy(m_block.data() + m_filled, data, take);
        m_filled += take;
        data += take;
        length -= take;
        if (m_filled == m_block.size()) {
            m_filled = 0;
            if (m_handler)
                m_handler(m_block.data(), m_block.size(), false);
        }
    }
}

void CaptureBlocks::FlushPartial() {
    if (m_filled > 0 && m_handler)
        m_handler(m_block.data(), m_filled, true);
    m_filled = 0;
}

} // namespace platform
