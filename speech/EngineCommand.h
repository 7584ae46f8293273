#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

// The command mailbox between an engine's owner and its worker. Letters are queued rather than
// overwritten, so a begin/end pair pressed within a millisecond is not lost; they are taken
// strictly in the order they were posted.
class EngineCommand {
public:
    enum class Action { Begin, End, Quit, Update };

    // 'r'/'R' begin, 's'/'S' end, 'q'/'Q' quit, 'c'/'C' update; nothing for other letters.
    static std::optional<Action> ActionForLetter(char letter);

    // Queues the letter's action; unknown letters are dropped so they cannot stall the queue.
    void Post(char letter);
    // Blocks until an action is queued and removes it.
    Action Take();

private:
    std::mutex lock_;
    std::condition_variable posted_;
    std::deque<Action> pending_;
};
