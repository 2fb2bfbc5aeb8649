#pragma once

// What the panels need of the main window besides its controls: the cursor
// and which mode shows. The main window implements it; tests may give a
// small fake.
class Shell {
public:
    virtual ~Shell() = default;

    // The hourglass for the whole application while a restart runs.
    virtual void SetBusyCursor(bool busy) = 0;

    virtual bool IsTestPanelVisible() const = 0;
};
