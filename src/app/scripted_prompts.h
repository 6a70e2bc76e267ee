#pragma once

// Prompts answered from a script instead of dialogs: for the screenshot mode and the tests.
// Every question and message is recorded in order; Focus is also passed on to a handler (the
// main window), so the focus really moves.

#include "app/desktop_prompts.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tesk::app {

class ScriptedPrompts final : public DesktopPrompts {
public:
    std::deque<std::string> OpenAnswers; ///< next answers of OpenFile; none left = cancelled
    std::deque<std::string> SaveAnswers; ///< next answers of SaveFile; none left = cancelled
    std::deque<bool> ConfirmAnswers;     ///< next answers of Confirm; none left = no
    bool DesktopOpens = false;           ///< what OpenWithDesktop reports

    std::vector<std::string> Titles;    ///< titles of OpenFile and SaveFile, in order
    std::vector<std::string> Filters;   ///< their filters
    std::vector<std::string> Suggested; ///< suggested paths of SaveFile
    std::vector<std::string> Refusals;
    std::vector<std::string> Errors;
    std::vector<std::string> Details;
    std::vector<std::string> Technical; ///< the English texts of Error, one per message
    std::vector<std::string> Focused;
    std::vector<std::string> Opened;  ///< paths given to OpenWithDesktop
    std::vector<std::string> Notices; ///< Inform and Confirm texts
    std::vector<std::string> Events;  ///< everything, "kind:text"
    int Activations = 0;

    /// Receives Focus requests after they are recorded (the window's FocusField).
    std::function<void(std::string_view)> FocusHandler;
    /// Receives ActivateMainWindow after it is recorded.
    std::function<void()> ActivateHandler;

    std::string OpenFile(std::string_view title, std::string_view filter) override {
        Titles.emplace_back(title);
        Filters.emplace_back(filter);
        Events.push_back("open:" + std::string(title));
        return Next(OpenAnswers);
    }
    using DesktopPrompts::Refuse;
    void Refuse(const session::Refusal& refusal) override {
        if (refusal.ActivateFirst) {
            ActivateMainWindow();
        }
        Refusals.push_back(refusal.Message);
        Events.push_back("refuse:" + refusal.Message);
        if (refusal.Focus != session::Field::None) {
            Focus(FieldControlName(refusal.Focus));
        }
    }
    void Error(std::string_view message, std::string_view detail,
               std::string_view technical) override {
        Errors.emplace_back(message);
        Details.emplace_back(detail);
        Technical.emplace_back(technical);
        Events.push_back("error:" + std::string(message));
    }
    /// Records a focus move and passes it on to FocusHandler.
    void Focus(std::string_view control) {
        Focused.emplace_back(control);
        Events.push_back("focus:" + std::string(control));
        if (FocusHandler) {
            FocusHandler(control);
        }
    }
    void ActivateMainWindow() override {
        ++Activations;
        Events.emplace_back("activate:");
        if (ActivateHandler) {
            ActivateHandler();
        }
    }
    std::string SaveFile(std::string_view title, std::string_view filter,
                         std::string_view suggestedPath) override {
        Titles.emplace_back(title);
        Filters.emplace_back(filter);
        Suggested.emplace_back(suggestedPath);
        Events.push_back("save:" + std::string(title));
        return Next(SaveAnswers);
    }
    bool Confirm(std::string_view question) override {
        Notices.emplace_back(question);
        Events.push_back("confirm:" + std::string(question));
        if (ConfirmAnswers.empty()) {
            return false;
        }
        const bool answer = ConfirmAnswers.front();
        ConfirmAnswers.pop_front();
        return answer;
    }
    bool OpenWithDesktop(std::string_view path) override {
        Opened.emplace_back(path);
        Events.push_back("desktop:" + std::string(path));
        return DesktopOpens;
    }
    void Inform(std::string_view message) override {
        Notices.emplace_back(message);
        Events.push_back("inform:" + std::string(message));
    }

private:
    static std::string Next(std::deque<std::string>& answers) {
        if (answers.empty()) {
            return {};
        }
        std::string answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

} // namespace tesk::app
