#pragma once
// The late-bound objects of the automation server, independent of COM: a small variant, the
// member table every class describes itself with, the automation exception, and the one call
// path (InvokeMember) that the COM glue (automation/com) and the tests use alike.
//
// A member is found by name without regard to case; its dispatch identifier is its 1-based
// position in its class's table. Values reach a member already converted to the member's own
// type; converting what a script passes is the glue's job.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/local_time.h"

enum class AutoType { none, i4, boolean, date, text, object };

class CAutoObject;

struct CAutoVariant {
    AutoType type = AutoType::none;
    int32_t n = 0;     // i4; boolean as 0 / 1
    double date = 0;   // OLE date: days since 1899-12-30 00:00, the fraction the time of day
    std::string text;
    std::shared_ptr<CAutoObject> object;

    static CAutoVariant Int(int32_t value);
    static CAutoVariant Bool(bool value);
    static CAutoVariant Date(double value);
    static CAutoVariant Text(std::string value);
    static CAutoVariant Object(std::shared_ptr<CAutoObject> value);
};

// The error a member reports to the script: code 104 (a value it refuses) or 113 (an index).
struct CAutoException {
    int code;
    std::string description;
};

enum class AutoKind { property, method };

struct CAutoMember {
    const char* name;
    AutoKind kind;
    AutoType type;    // the property's value, or the method's result (none: no result)
    AutoType param;   // the one parameter, or none
    CAutoVariant (*get)(CAutoObject& self, const CAutoVariant& arg);    // read, or call
    void (*put)(CAutoObject& self, const CAutoVariant& value);          // null: read-only
};

class CAutoObject {
public:
    CAutoObject() = default;
    virtual ~CAutoObject() = default;
    CAutoObject(const CAutoObject&) = delete;
    CAutoObject& operator=(const CAutoObject&) = delete;

    virtual const char* ClassName() const = 0;
    virtual std::span<const CAutoMember> Members() const = 0;

    // The member's dispatch identifier; 0 when no member has that name.
    int FindMember(std::string_view name) const;

    // The COM object that stands for this one while it exists (owned by the glue), so that a
    // contained object handed out twice is the same object to the script.
    void* m_pPeer = nullptr;
};

enum class AutoCall { get, put, method };
enum class AutoStatus { ok, unknownMember, readOnly, badParamCount };

// Runs a member with arguments of the member's types (for put: the one new value). Call-shape
// faults come back as a status; a member's own errors are thrown as CAutoException.
AutoStatus InvokeMember(CAutoObject& object, int dispid, AutoCall call, std::span<const CAutoVariant> args,
                        CAutoVariant& result);
