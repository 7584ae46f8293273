#include "speech/CEngineWorker.h"

#include "platform/DebugChannel.h"

#include <system_error>
#include <thread>

CEngineWorker::CEngineWorker(std::shared_ptr<IEngineActions> actions)
    : m_shared(std::make_shared<Shared>(std::move(actions))) {}

void CEngineWorker::Start() {
    std::shared_ptr<Shared> shared = m_shared;
    ++shared->workers;
    shared->mailbox.AddTaker();
    try {
        std::thread([shared] { RunWorker(shared); }).detach();
    } catch (const std::system_error& error) {
        shared->mailbox.RemoveTaker();
        --shared->workers;
        platform::OutputDebug(QStringLiteral("create thread failed\n"));
    }
}

void CEngineWorker::Post(char letter) {
    m_shared->mailbox.Post(letter);
}

bool CEngineWorker::IsRunning() const {
    return m_shared->workers.load() > 0;
}

void CEngineWorker::RunWorker(const std::shared_ptr<Shared>& shared) {
    {
        std::lock_guard<std::mutex> guard(shared->oneWorkerAtATime);
        if (shared->actions->Prepare()) {
            RunCommandLoop(*shared);
            shared->mailbox.RemoveTaker();
            shared->actions->CleanUp();
        } else {
            // Key presses made while the engine could not start must not replay, session after
            // session, when it is started again.
            shared->mailbox.Clear();
            shared->mailbox.RemoveTaker();
        }
    }
    --shared->workers;
}

void CEngineWorker::RunCommandLoop(Shared& shared) {
    for (;;) {
        switch (shared.mailbox.Take()) {
        case EngineCommand::Action::Begin:
            shared.actions->OnBegin();
            break;
        case EngineCommand::Action::End:
            shared.actions->OnEnd();
            break;
        case EngineCommand::Action::Update:
            shared.actions->OnUpdate();
            break;
        case EngineCommand::Action::Quit:
            shared.actions->OnQuit();
            return;
        }
    }
}
