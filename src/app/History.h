#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/Snapshot.h"

// What a step gives back besides the model, where its action changed it: the view
// orientation File > New clears, and the Auto Center switch (while on, every fairing
// moves the body, so a session without the step must not have it on).
struct StepSettings {
    int32_t elevation = 0;
    int32_t azimuth = 0;
    double viewMatrix[8] = {0, 1, 0, 1, 0, 0, 0, 1};
    int32_t autoCenter = 0;
};

// The undo history: one step per user action that changed the model.
//
// A step keeps the model as its action found it: one ModelSnapshot, taken when the
// action begins. The model the action left is the next step's copy or, for the newest
// step, the live model, which is copied only when that step is undone. So an action
// costs one copy before it starts and a comparison when it ends; an action that
// changed nothing (a refused stroke) leaves no step and its copy is dropped.
//
// The copies are kept while they fit the budget; beyond it the oldest steps go first.
class UndoHistory {
public:
    static constexpr size_t kDefaultBudget = size_t{512} << 20;

    UndoHistory() = default;
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // An action begins: copies the model and the settings. Inside an action begun
    // already (a command in the middle of a gesture) nothing happens: the command's
    // change joins the gesture's step.
    void Begin(const Model& model, const StepSettings& settings);
    bool InAction() const { return m_pending != nullptr; }
    // The action begun gives back the view orientation as `before` has it, or the Auto
    // Center switch as `before` was, with its model. Without an action, nothing.
    void KeepView(const StepSettings& before);
    void KeepAutoCenter(int32_t before);
    // Names the step the action begun will make, if it makes one ("Cut"). The name
    // must outlive the history (a string literal).
    void Name(const char* name);
    // Ends the action begun. When the model no longer matches its copy the action is a
    // step, named `name` unless Name gave it one, and the steps that could have been
    // redone are gone; `after` are the settings it left.
    void End(const Model& model, const StepSettings& after, const char* name);

    // Puts back the model (and the settings the step keeps) from before the newest
    // step done, or after the oldest step undone. False, with nothing changed, when
    // there is no such step.
    bool Undo(Model& model, StepSettings& settings);
    bool Redo(Model& model, StepSettings& settings);

    size_t UndoCount() const { return m_done; }
    size_t RedoCount() const { return m_steps.size() - m_done; }
    // The name of the step Undo or Redo would take; empty when there is none.
    const char* UndoName() const;
    const char* RedoName() const;

    // Drops the oldest steps at once when they no longer fit.
    void SetBudget(size_t bytes);
    // The memory the kept copies hold.
    size_t Bytes() const;
    // Steps dropped for the budget so far, and steps made so far.
    size_t Dropped() const { return m_dropped; }
    size_t Made() const { return m_made; }

private:
    struct Step {
        const char* name = nullptr;
        std::unique_ptr<ModelSnapshot> before;
        StepSettings settingsBefore;
        StepSettings settingsAfter;
        bool keepsView = false;
        bool keepsAutoCenter = false;
    };

    static void Apply(const Step& step, const StepSettings& from, StepSettings& settings);
    void Trim();

    std::vector<Step> m_steps;  // oldest first; the first m_done are done
    size_t m_done = 0;
    std::unique_ptr<Step> m_pending;
    // The model the newest step left, copied when that step was undone.
    std::unique_ptr<ModelSnapshot> m_top;
    size_t m_budget = kDefaultBudget;
    size_t m_dropped = 0;
    size_t m_made = 0;
};
