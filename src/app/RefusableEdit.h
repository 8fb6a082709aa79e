#pragma once

#include "app/MainFrame.h"
#include "model/Snapshot.h"

// An edit that a pen stroke asked for and that may have to be refused half way: the
// body built from the first outline, a cut, an extrusion, an embedded curve. It takes a
// snapshot when it begins; Refuse() puts the model back exactly as it was and drops
// the stroke with the beep, which is how every refused stroke is answered.
class RefusableEdit {
public:
    explicit RefusableEdit(CMainFrame& frame) : m_frame(frame), m_before(frame) {}
    RefusableEdit(const RefusableEdit&) = delete;
    RefusableEdit& operator=(const RefusableEdit&) = delete;

    void Refuse() {
        m_before.Restore(m_frame);
        m_frame.DropNewestStroke(1);
    }

private:
    CMainFrame& m_frame;
    ModelSnapshot m_before;
};
