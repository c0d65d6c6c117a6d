#include "uninstall/registry_undo.h"

#include "win/unique_handle.h"

namespace undo {
namespace {

Outcome From(const reg::UndoResult& result) {
    switch (result.what) {
        case reg::Undone::Removed: return {Verdict::Removed, 0};
        case reg::Undone::Restored: return {Verdict::Restored, 0};
        case reg::Undone::AlreadyGone: return {Verdict::AlreadyGone, 0};
        case reg::Undone::LeftChanged: return {Verdict::LeftChanged, 0};
        case reg::Undone::LeftNotEmpty: return {Verdict::LeftNotEmpty, 0};
        case reg::Undone::Failed: break;
    }
    return {Verdict::Failed, result.error};
}

reg::HeldValues Held(const record::DeletedKey& deleted) {
    reg::HeldValues values;
    for (const auto& held : deleted.values) values.emplace_back(held.name, held.data);
    return values;
}

}  // namespace

bool ReadValueData(reg::Root root, const std::wstring& key, const std::wstring& name, record::ValueData& data,
                   DWORD& error) {
    return reg::ReadValue(root, key, name, data, error);
}

Outcome UndoRegistryStep(const RegStep& step) {
    switch (step.kind) {
        case RegStepKind::Value: {
            const record::RecordedValue& v = *step.value;
            return From(reg::PutValueBack(v.root, v.key, v.name, v.before, v.written));
        }
        case RegStepKind::RecreateKey: return From(reg::RecreateKey(step.root, step.key, Held(*step.deleted)));
        case RegStepKind::NotRestored: return {Verdict::NotRestored, 0};
        case RegStepKind::RemoveKeyIfEmpty: return From(reg::RemoveKeyIfEmpty(step.root, step.key));
        case RegStepKind::RemoveTree: return From(reg::RemoveKeyTree(step.root, step.key));
        case RegStepKind::LeaveTakenOver: return {Verdict::LeftChanged, 0};
    }
    return {Verdict::Failed, ERROR_INVALID_PARAMETER};
}

std::vector<record::RecordedKey> TakenOverProductKeys(const record::InstallRecord& r) {
    std::vector<record::RecordedKey> takenOver;
    for (const auto& group : ValuesByProductKey(r)) {
        std::vector<record::ValueData> current(group.values.size());
        for (size_t i = 0; i < group.values.size(); ++i) {
            const auto& v = *group.values[i];
            DWORD error = 0;
            ReadValueData(v.root, v.key, v.name, current[i], error);
        }
        if (IsTakenOver(group.values, current)) takenOver.push_back({group.root, group.key});
    }
    return takenOver;
}


}  // namespace undo
