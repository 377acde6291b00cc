#pragma once
// Shared helpers of the simulator tests.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <string>
#include <vector>

#include "model/NodaluxCtrl.h"
#include "protocol/PollReply.h"
#include "tools/common/RecordJson.h"
#include "tools/sim/Fleet.h"
#include "tools/sim/SimController.h"
#include "tools/sim/Simulator.h"

namespace vantrel::sim::testing {

// The tool's endpoint inside the lab.
inline const Endpoint kTool{{10, 77, 0, 1}, 49150};

// Index of the first controller of the default fleet that fits.
inline int findController(const std::vector<SimController>& fleet,
                          const std::function<bool(const SimController&)>& fits) {
    for (std::size_t i = 0; i < fleet.size(); ++i)
        if (fits(fleet[i])) return static_cast<int>(i);
    ADD_FAILURE() << "the default fleet has no such controller";
    return 0;
}

// The reader that the tool's dispatch chooses for a reply.
inline std::optional<model::TNodaluxCtrl> readReply(const protocol::Bytes& bytes) {
    if (bytes.size() > 11 && bytes[11] < protocol::kFirstCurrentVersion)
        return protocol::readPollReplyV4Below(bytes);
    return protocol::readPollReply(bytes);
}

// Two records as JSON texts, so a mismatch shows the field.
inline ::testing::AssertionResult sameRecord(const model::TNodaluxCtrl& expected,
                                             const model::TNodaluxCtrl& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    const QJsonObject e = tools::recordToJson(expected);
    const QJsonObject a = tools::recordToJson(actual);
    auto failure = ::testing::AssertionFailure();
    for (auto it = e.begin(); it != e.end(); ++it) {
        if (a.value(it.key()) != it.value()) {
            failure << it.key().toStdString() << ": expected "
                    << QJsonDocument(QJsonObject{{QStringLiteral("v"), it.value()}})
                           .toJson(QJsonDocument::Compact)
                           .toStdString()
                    << " got "
                    << QJsonDocument(QJsonObject{{QStringLiteral("v"), a.value(it.key())}})
                           .toJson(QJsonDocument::Compact)
                           .toStdString()
                    << "\n";
        }
    }
    return failure;
}

} // namespace vantrel::sim::testing
