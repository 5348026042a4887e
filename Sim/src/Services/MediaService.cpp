// The Media (ver10) service: the table of its operations.
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteMediaCapabilities(ctx, ctx.respond());
}

std::vector<COperation> Operations()
{
    using L = EUserLevel;
    std::vector<COperation> ops = {
        {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
        {"GetProfiles", L::User, &GetProfiles},
        {"GetProfile", L::User, &GetProfile},
        {"CreateProfile", L::Operator, &CreateProfile},
        {"DeleteProfile", L::Operator, &DeleteProfile},
        {"GetVideoSources", L::User, &GetVideoSources},
        {"GetAudioSources", L::User, &GetAudioSources},
        {"SetVideoEncoderConfiguration", L::Operator, &SetVideoEncoderConfiguration},
        {"SetAudioEncoderConfiguration", L::Operator, &SetAudioEncoderConfiguration},
        {"GetVideoEncoderConfigurationOptions", L::User, &GetVideoEncoderConfigurationOptions},
        {"GetAudioEncoderConfigurationOptions", L::User, &GetAudioEncoderConfigurationOptions},
        {"GetGuaranteedNumberOfVideoEncoderInstances", L::User, &GetGuaranteedNumberOfVideoEncoderInstances},
        {"GetStreamUri", L::User, &GetStreamUri},
        {"GetSnapshotUri", L::User, &GetSnapshotUri},
        {"StartMulticastStreaming", L::Operator, &StartMulticastStreaming},
        {"StopMulticastStreaming", L::Operator, &StopMulticastStreaming},
        {"SetSynchronizationPoint", L::Operator, &SetSynchronizationPoint},
        {"SetVideoSourceConfiguration", L::Operator, &SetVideoSourceConfiguration},
        {"GetAudioSourceConfigurationOptions", L::User, &GetAudioSourceConfigurationOptions},
        {"GetAudioDecoderConfigurations", L::User, &GetAudioDecoderConfigurations},
        {"GetAudioDecoderConfigurationOptions", L::User, &GetAudioDecoderConfigurationOptions},
        {"GetOSDs", L::User, &GetOSDs},
        {"GetOSD", L::User, &GetOSD},
        {"GetOSDOptions", L::User, &GetOSDOptions},
        {"CreateOSD", L::Operator, &CreateOSD},
        {"SetOSD", L::Operator, &SetOSD},
        {"DeleteOSD", L::Operator, &DeleteOSD},
    };
    AppendMedia1ConfigurationOperations(ops);
    return ops;
}

} // namespace

const CServiceHandler& MediaService()
{
    static const CServiceHandler handler = {"media", Operations(), &WriteMediaCapabilities};
    return handler;
}

} // namespace OnvifSim
