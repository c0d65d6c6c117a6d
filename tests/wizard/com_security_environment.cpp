// The wizard's tests run under the COM security the setup sets for its whole process, so that
// what the finish page asks of the desktop shell is tried as the setup asks it.
#include <gtest/gtest.h>

#include <memory>

#include "win/process_com.h"

namespace {

class ComSecurity : public ::testing::Environment {
public:
    void SetUp() override {
        m_com = std::make_unique<win::ProcessCom>();
        ASSERT_EQ(m_com->security(), S_OK);
    }
    void TearDown() override { m_com.reset(); }

private:
    std::unique_ptr<win::ProcessCom> m_com;
};

::testing::Environment* const kComSecurity = ::testing::AddGlobalTestEnvironment(new ComSecurity);

}  // namespace
