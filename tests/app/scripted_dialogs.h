// Dialogs that answer from a script instead of waiting for a person: for
// the window tests and the desktop benchmarks.
#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/dialogs.h"

namespace testing_support {

// Each call takes the next queued answer of its kind; a call with none queued
// fails the test (a window asked something the test did not expect). Every
// message shown is kept, in order.
class ScriptedDialogs : public shell::Dialogs {
public:
    std::deque<shell::Answer> Answers;
    std::deque<std::optional<std::string>> Inputs;  // input boxes
    std::deque<std::optional<std::string>> Files;   // open, save and folder dialogs alike
    std::vector<std::string> Messages;
    std::vector<shell::FileDialogRequest> Requests;  // every file dialog asked for, in order

    shell::Answer Message(const std::string& text, const std::string&, shell::MessageIcon,
                          shell::MessageButtons buttons) override {
        Messages.push_back(text);
        if (buttons == shell::MessageButtons::Ok) return shell::Answer::Ok;
        return Take(Answers, "message box");
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
        return Take(Inputs, "input box");
    }
    std::optional<std::string> OpenFile(const shell::FileDialogRequest& request) override {
        Requests.push_back(request);
        return Take(Files, "open dialog");
    }
    std::optional<std::string> SaveFile(const shell::FileDialogRequest& request) override {
        Requests.push_back(request);
        return Take(Files, "save dialog");
    }
    std::optional<std::string> ChooseFolder(const std::string&) override { return Take(Files, "folder dialog"); }

private:
    template <typename T>
    static T Take(std::deque<T>& queue, const char* what) {
        if (queue.empty()) throw std::logic_error(std::string("unexpected ") + what);
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

}  // namespace testing_support
