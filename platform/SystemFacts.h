#pragma once

// Facts about the machine and the system for the log.

#include <QString>

#include <memory>

// The machine facts written to the log at start-up.
class ISystemFacts {
public:
    virtual ~ISystemFacts() = default;
    // Free-form operating-system description (kernel name and release, distribution).
    virtual QString osDescription() = 0;
    // A 32-bit build running on a 64-bit system.
    virtual bool isWow64() = 0;
    // The super-user or a member of the administrators' group.
    virtual bool isAdministrator() = 0;
};

std::unique_ptr<ISystemFacts> createHostSystemFacts();
