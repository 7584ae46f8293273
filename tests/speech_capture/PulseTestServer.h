#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// Access to the PulseAudio daemon the capture tests run against. When none answers, a private
// one is started for this test program (and stopped at its end).
namespace pulsetest {

// False when this machine has no PulseAudio at all; the reason is in *why.
bool Available(std::string* why);

// Runs pactl with the given arguments; its standard output, trimmed. ok tells the exit status.
std::string Pactl(const std::string& args, bool* ok = nullptr);

std::string DefaultSource();

// A source fed through a fifo, loaded for one test and unloaded after it.
class PipeSource {
public:
    PipeSource(const std::string& name, const std::string& description);
    ~PipeSource();
    PipeSource(const PipeSource&) = delete;
    PipeSource& operator=(const PipeSource&) = delete;

    bool Loaded() const { return m_module >= 0; }
    const std::string& Name() const { return m_name; }
    void MakeDefault() const;
    // Writes bytes into the source; the fifo stays open for writing until destruction, so the
    // source never sees its writer go away in the middle of a test.
    bool Write(const std::vector<char>& bytes);
    // True once the server has read every byte written so far out of the fifo; false when that
    // has not happened within the limit.
    bool WaitUntilTaken(std::chrono::milliseconds limit) const;

private:
    std::string m_name;
    std::string m_dir;
    std::string m_fifo;
    int m_module = -1;
    int m_writer = -1;
};

// A recognisable sequence of samples: no two neighbouring blocks look alike and no byte is 0.
std::vector<char> Pattern(std::size_t length, unsigned seed = 1);

} // namespace pulsetest
