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

    // While a worker will take commands the letter's action is queued. Otherwise the mailbox
    // holds one letter, the latest, so keys pressed meanwhile do not replay as a string of
    // sessions, and a quit is dropped: there is nothing to end, and a quit kept for the next
    // worker would end it as soon as it starts. Unknown letters are dropped so they cannot
    // stall the queue.
    void Post(char letter);
    // Blocks until an action is queued and removes it.
    Action Take();
    // Forgets every queued action (a worker that could not start leaves none for the next).
    void Clear();
    // A worker is on its way: from now on letters queue for it.
    void AddTaker();
    // A worker has left its command loop (or never entered it). Once none is left, quits still
    // queued are dropped, for the same reason as in Post.
    void RemoveTaker();

private:
    std::mutex m_lock;
    std::condition_variable m_posted;
    std::deque<Action> m_pending;
    int m_takers = 0;
};
