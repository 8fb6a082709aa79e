#include "app/History.h"

void UndoHistory::Begin(const Model& model, const StepSettings& settings) {
    if (m_pending != nullptr) return;
    m_pending = std::make_unique<Step>();
    m_pending->before = std::make_unique<ModelSnapshot>(model);
    m_pending->settingsBefore = settings;
}

void UndoHistory::KeepView(const StepSettings& before) {
    if (m_pending == nullptr) return;
    m_pending->keepsView = true;
    m_pending->settingsBefore.elevation = before.elevation;
    m_pending->settingsBefore.azimuth = before.azimuth;
    for (int i = 0; i < 8; ++i) m_pending->settingsBefore.viewMatrix[i] = before.viewMatrix[i];
}

void UndoHistory::KeepAutoCenter(int32_t before) {
    // Switched on twice in one gesture, the first time holds what it was before.
    if (m_pending == nullptr || m_pending->keepsAutoCenter) return;
    m_pending->keepsAutoCenter = true;
    m_pending->settingsBefore.autoCenter = before;
}

void UndoHistory::Name(const char* name) {
    if (m_pending != nullptr) m_pending->name = name;
}

void UndoHistory::End(const Model& model, const StepSettings& after, const char* name) {
    std::unique_ptr<Step> step = std::move(m_pending);
    if (step == nullptr || step->before->Matches(model)) return;
    if (step->name == nullptr) step->name = name;
    step->settingsAfter = after;
    m_steps.resize(m_done);
    m_top.reset();
    m_steps.push_back(std::move(*step));
    m_done = m_steps.size();
    ++m_made;
    Trim();
}

void UndoHistory::Apply(const Step& step, const StepSettings& from, StepSettings& settings) {
    if (step.keepsView) {
        settings.elevation = from.elevation;
        settings.azimuth = from.azimuth;
        for (int i = 0; i < 8; ++i) settings.viewMatrix[i] = from.viewMatrix[i];
    }
    if (step.keepsAutoCenter) settings.autoCenter = from.autoCenter;
}

bool UndoHistory::Undo(Model& model, StepSettings& settings) {
    if (m_done == 0 || m_pending != nullptr) return false;
    const Step& step = m_steps[m_done - 1];
    if (m_done == m_steps.size()) m_top = std::make_unique<ModelSnapshot>(model);
    step.before->Restore(model);
    Apply(step, step.settingsBefore, settings);
    --m_done;
    // The copy of the live model may have taken the history over its budget.
    Trim();
    return true;
}

bool UndoHistory::Redo(Model& model, StepSettings& settings) {
    if (m_done == m_steps.size() || m_pending != nullptr) return false;
    const Step& step = m_steps[m_done];
    ++m_done;
    if (m_done < m_steps.size()) {
        m_steps[m_done].before->Restore(model);
    } else {
        m_top->Restore(model);
        // The live model is that copy again; the next undo copies it anew.
        m_top.reset();
    }
    Apply(step, step.settingsAfter, settings);
    return true;
}

const char* UndoHistory::UndoName() const { return m_done > 0 ? m_steps[m_done - 1].name : ""; }

const char* UndoHistory::RedoName() const {
    return m_done < m_steps.size() ? m_steps[m_done].name : "";
}

void UndoHistory::SetBudget(size_t bytes) {
    m_budget = bytes;
    Trim();
}

size_t UndoHistory::Bytes() const {
    size_t bytes = m_top != nullptr ? m_top->Bytes() : 0;
    for (const Step& step : m_steps) bytes += sizeof(Step) + step.before->Bytes();
    return bytes;
}

void UndoHistory::Trim() {
    while (!m_steps.empty() && Bytes() > m_budget) {
        if (m_done == 0) {
            // Only steps to redo are left, and without the first none can be redone.
            m_dropped += m_steps.size();
            m_steps.clear();
            m_top.reset();
            return;
        }
        m_steps.erase(m_steps.begin());
        --m_done;
        ++m_dropped;
    }
}
