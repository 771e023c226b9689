// The process-wide link objects, in one file so that they are constructed in this order.
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/SerialLink.h"

CSerialLink g_serialLink;
CHidLink g_hidLink;
int g_interfaceKind = 0;
