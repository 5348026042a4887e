#include "Component/ClientContext.h"

namespace Zentar {
namespace Component {

namespace {
thread_local int t_userID = 0;
thread_local IUnknown* t_client = nullptr;
} // namespace

int getCurrentUserID() { return t_userID; }

void setCurrentUserID(int userID) { t_userID = userID; }

IUnknown* getCurrentClient() { return t_client; }

void setCurrentClient(IUnknown* client) { t_client = client; }

CClientContextScope::CClientContextScope(IUnknown* client, int userID)
    : m_previousClient(t_client), m_previousUserID(t_userID)
{
    t_client = client;
    t_userID = userID;
}

CClientContextScope::~CClientContextScope()
{
    t_client = m_previousClient;
    t_userID = m_previousUserID;
}

} // namespace Component
} // namespace Zentar
