#pragma once
// Who is calling, per thread: the host user and the client component the host is
// currently working with. A factory asked to create a component without ServerInfo
// uses these to decide which device is meant.
#include "Component/Unknown.h"

namespace Zentar {
namespace Component {

int getCurrentUserID(); // 0 when never set on this thread
void setCurrentUserID(int userID);

IUnknown* getCurrentClient(); // null when never set on this thread
void setCurrentClient(IUnknown* client);

// Sets both for its lifetime and then restores what was there before, so scopes nest.
class CClientContextScope {
public:
    CClientContextScope(IUnknown* client, int userID);
    ~CClientContextScope();

    CClientContextScope(const CClientContextScope&) = delete;
    CClientContextScope& operator=(const CClientContextScope&) = delete;

private:
    IUnknown* m_previousClient;
    int m_previousUserID;
};

} // namespace Component
} // namespace Zentar
