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
        std::lock_guard<std::mutex> guard(lock_);
        if (takers_ == 0) {
            if (*action == Action::Quit)
                return;
            pending_.clear();
        }
        pending_.push_back(*action);
    }
    posted_.notify_one();
}

EngineCommand::Action EngineCommand::Take() {
    std::unique_lock<std::mutex> guard(lock_);
    posted_.wait(guard, [this] { return !pending_.empty(); });
    const Action action = pending_.front();
    pending_.pop_front();
    return action;
}

void EngineCommand::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    pending_.clear();
}

void EngineCommand::AddTaker() {
    std::lock_guard<std::mutex> guard(lock_);
    ++takers_;
}

void EngineCommand::RemoveTaker() {
    std::lock_guard<std::mutex> guard(lock_);
    if (takers_ > 0)
        --takers_;
    if (takers_ == 0)
        pending_.erase(std::remove(pending_.begin(), pending_.end(), Action::Quit), pending_.end());
}
