#pragma once
// Everything a caller needs to build, send and read SOAP messages.
#include "SOAPFramework/SOAPMessage.h"
#include "SOAPFramework/SOAPPart.h"
#include "SOAPFramework/SOAPTransport.h"
