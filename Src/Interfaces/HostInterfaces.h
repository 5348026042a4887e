#pragma once
// The host's component interfaces a client hands out. Each is declared in full by the
// component that implements it; until then the client's getter for it returns null.
#include "Component/Unknown.h"

namespace Zentar {
namespace Component {

class IDevAudioEnc;
class IDevAudioDec;
class IConfigManager;
class IAlarm;
class ILogicDeviceManager;
class IMagicBox;
class IEncode;
class ITimeClient;
class IMediaManager;
class IOSDManager;
class IRemoteOSDManager;
class IVideoTalkPeer;

} // namespace Component

namespace Storage {
class IMediaFileFind;
} // namespace Storage
namespace Manager {
class IUpgrader;
class IUserManager;
} // namespace Manager

namespace Stream {
class IStreamSource;
} // namespace Stream

namespace Comm {
class IPtz;
class IPTZBase;
} // namespace Comm

} // namespace Zentar
