#pragma once
// The issuer's port as the tabs that talk to the issuer see it. Every frame leaves through
// sendFrame, which applies that frame's flush rule and counts it where the link supervision
// counts frames; writeFrame and flushPort are the two steps for a sender that flushes itself.
class QByteArray;
enum class IssuerFrame;

class IssuerPort
{
public:
    virtual ~IssuerPort() = default;
    virtual void sendFrame(IssuerFrame kind, const QByteArray &frame) = 0;
    virtual void writeFrame(const QByteArray &frame) = 0;
    virtual void flushPort() = 0;
};
