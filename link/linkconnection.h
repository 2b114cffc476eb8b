// What a medium asks of the connection it delivers to, beyond taking the
// bytes: the controller's features (the serial link's choice of settings
// for exclusive mode) and the connection's channel state (the Ethernet
// link's channel re-selection). The controller connection implements it
// beside ILinkReceiver; a link finds it with LinkConnectionState. A
// receiver without it has no features, no transaction and no channels.
//
// Called on the link's receive thread and on the caller's thread.
//
// This header includes no Win32 header.
#pragma once

#include "link/channeldemux.h"
#include "link/modeltables.h"

class ILinkConnectionState {
public:
    virtual ~ILinkConnectionState() = default;
    // Whether the identified controller has the feature (modeltables.h).
    virtual bool HasFeature(int feature) = 0;
    // Whether a synchronous transaction is waiting for its reply.
    virtual bool IsTransactionActive() = 0;
    // The channel the connection is receiving on now.
    virtual int GetReceiveChannel() = 0;
    // The channel last selected on the sending side; CHANNEL_NONE when
    // none.
    virtual int GetLastTransmitChannel() = 0;
    // The identified controller's model row (row 0 without a controller).
    virtual const ControllerModelInfo& GetModelInfo() = 0;
    // Runs action with the channel last selected on the sending side, under
    // the connection's write lock, so no other write selects a channel
    // between the look and what action writes. A receiver without a write
    // lock runs it as it is.
    virtual void WithTransmitChannel(void (*action)(int lastChannel, void* context), void* context)
    {
        action(GetLastTransmitChannel(), context);
    }
};

// The receiver's connection state, or null when it has none.
inline ILinkConnectionState* LinkConnectionState(ILinkReceiver* receiver)
{
    return dynamic_cast<ILinkConnectionState*>(receiver);
}
