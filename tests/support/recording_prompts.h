#pragma once

#include "state/prompts.h"

#include <deque>
#include <string>
#include <vector>

namespace tesk::testing {

/// A scripted Prompts fake: answers file dialogs from a queue (empty answer = cancelled) and
/// records every message, focus request and activation in order.
class RecordingPrompts : public state::Prompts {
public:
    struct Dialog {
        std::string Title;
        std::string Filter;
    };

    std::deque<std::string> FileAnswers;  ///< next answers of OpenFile; none left = cancelled
    std::vector<Dialog> Dialogs;          ///< every OpenFile call
    std::vector<std::string> Refusals;    ///< messages of Refuse
    std::vector<std::string> Errors;      ///< messages of Error
    std::vector<std::string> Details;     ///< details of Error, one per message
    std::vector<std::string> Focused;     ///< controls passed to Focus
    std::vector<std::string> Events;      ///< everything above in order, "kind:text"
    int Activations = 0;

    std::string OpenFile(std::string_view title, std::string_view filter) override {
        Dialogs.push_back({std::string(title), std::string(filter)});
        Events.push_back("open:" + std::string(title));
        if (FileAnswers.empty()) {
            return {};
        }
        std::string answer = FileAnswers.front();
        FileAnswers.pop_front();
        return answer;
    }
    void Refuse(std::string_view message) override {
        Refusals.emplace_back(message);
        Events.push_back("refuse:" + std::string(message));
    }
    void Error(std::string_view message, std::string_view detail) override {
        Errors.emplace_back(message);
        Details.emplace_back(detail);
        Events.push_back("error:" + std::string(message));
    }
    void Focus(std::string_view control) override {
        Focused.emplace_back(control);
        Events.push_back("focus:" + std::string(control));
    }
    void ActivateMainWindow() override {
        ++Activations;
        Events.push_back("activate:");
    }
};

} // namespace tesk::testing
