#pragma once

#include "platform/skin_engine.h"

namespace lexiquill::adapters {

// This platform has no skin engine: the calls are accepted and the skinned look
// comes from the button-face colours the window takes when a skin file is present.
class PlainSkinEngine final : public platform::SkinEngine {
public:
    void loadSkin(const QString&, const QString&) override {}
    int applyOptions() const override { return m_applyOptions; }
    void setApplyOptions(int options) override { m_applyOptions = options; }
    void setOption(int, bool) override {}
    void applyToWindow(quint32) override {}

private:
    int m_applyOptions = 0;
};

}  // namespace lexiquill::adapters
