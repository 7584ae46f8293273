#include "speech/EngineCommand.h"

#include <algorithm>

std::optional<EngineCommand::Action> EngineCommand::ActionForLetter(char letter) {
    switch (letter) {
    case 'r':
    case 'R':
        return Action::Begin;
    case 's':
    case 'S':
        return Action::End;
    case 'q':
    case 'Q':
        return Action::Quit;
    case 'c':
    case 'C':
        return Action::Update;
    default:
        return std::nullopt;
    }
}

void EngineCommand::Post(char letter) {
    const std::optional<Action> action = ActionForLetter(letter);
    if (!action)
        return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_takers == 0) {
            if (*action == Action::Quit)
                return;
            m_pending.clear();
        }
        m_pending.push_back(*action);
    }
    m_posted.notify_one();
}

EngineCommand::Action EngineCommand::Take() {
    std::unique_lock<std::mutex> guard(m_lock);
    m_posted.wait(guard, [this] { return !m_pending.empty(); });
    const Action action = m_pending.front();
    m_pending.pop_front();
    return action;
}

void EngineCommand::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_pending.clear();
}

void EngineCommand::AddTaker() {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_takers;
}

void EngineCommand::RemoveTaker() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_takers > 0)
        --m_takers;
    if (m_takers == 0)
        m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), Action::Quit),
                        m_pending.end());
}
