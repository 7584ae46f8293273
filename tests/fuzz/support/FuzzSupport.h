#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <QString>

namespace fuzz {

// Stops the run with a message when an invariant of a parser is broken; libFuzzer keeps the
// input that did it.
void Require(bool condition, const char* what);

// A file name in the working folder of this run (make fuzz runs every target in a scratch
// folder under the build folder).
QString ScratchFile(const char* name);

// Splits an input into fields at a separator byte: the leading fields choose what to do, the
// last one is the text under test.
class Fields {
public:
    Fields(const uint8_t* data, size_t size)
        : m_data(reinterpret_cast<const char*>(data)), m_size(size) {}

    // The text up to the next 0xFF byte (or the end); empty once nothing is left.
    std::string Next();
    // Everything not yet taken.
    std::string Rest();
    // One byte, 0 once nothing is left.
    uint8_t Byte();

private:
    const char* m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace fuzz
