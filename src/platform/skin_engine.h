#pragma once

#include <QString>

namespace lexiquill::platform {

// A skin engine that draws the window from a skin file. The program makes exactly
// these calls, in this order, when the skin file is present: loadSkin(path, ""),
// setApplyOptions(applyOptions() | 1), setOption(5, true), setOption(10, true),
// applyToWindow(handle). What the options mean is the engine's own business.
class SkinEngine {
public:
    virtual ~SkinEngine() = default;

    virtual void loadSkin(const QString& path, const QString& settings) = 0;
    virtual int applyOptions() const = 0;
    virtual void setApplyOptions(int options) = 0;
    virtual void setOption(int id, bool value) = 0;
    virtual void applyToWindow(quint32 handle) = 0;
};

}  // namespace lexiquill::platform
