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
    // Forgets every queued action (a worker that could not start leaves none for the next).
    void Clear();
    // Leaves only this letter's action queued: while no worker takes commands the mailbox holds
    // one letter, the latest, so keys pressed meanwhile do not replay as a string of sessions.
    void Replace(char letter);

private:
    std::mutex m_lock;
    std::condition_variable m_posted;
    std::deque<Action> m_pending;
};
