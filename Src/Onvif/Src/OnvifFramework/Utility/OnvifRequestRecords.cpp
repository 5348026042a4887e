#include "OnvifFramework/Utility/OnvifRequestRecords.h"

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

bool isAbsent(const Json::Value* v)
{
    return !v || v->isNull() || (v->isString() && v->asString().empty());
}

// The array at key; null when absent. `bad` tells an absent array from a wrong value.
const Json::Value* arrayAt(const Json::Value& record, const char* key, bool& bad)
{
    const Json::Value* v = findKey(record, key);
    bad = false;
    if (!v || v->isNull())
        return nullptr;
    if (!v->isArray()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] %s expects an array\n", key);
        bad = true;
        return nullptr;
    }
    return v;
}

// 1 written, 0 nothing to write, -1 a value of the wrong kind or a refused element.
int writeScalar(CSOAPMessage& msg, const OnvifField& f, const Json::Value* v, int i, int j)
{
    if (isAbsent(v))
        return 0;
    int rc = -1;
    switch (f.type) {
    case FIELD_TEXT:
        rc = v->isString() ? msg.set(f.path, v->asCString(), true, i, j) : -1;
        break;
    case FIELD_INT:
        rc = v->isInt() ? msg.set(f.path, v->asInt(), i, j) : -1;
        break;
    case FIELD_BOOL:
        rc = v->isBool() ? msg.set(f.path, v->asBool(), i, j) : -1;
        break;
    case FIELD_DOUBLE:
        rc = v->isNumeric() ? msg.set(f.path, v->asDouble(), i, j) : -1;
        break;
    default:
        break;
    }
    if (rc != 0)
        ONVIF_LOG(LOG_ERROR, "[ERRLN] %s not written to %s\n", f.key, f.path);
    return rc == 0 ? 1 : -1;
}

} // namespace

int writeTextList(CSOAPMessage& msg, const Json::Value& record, const char* key, const char* path, int recordIndex)
{
    bool bad = false;
    const Json::Value* items = arrayAt(record, key, bad);
    const OnvifField item = textField(key, path);
    int written = 0;
    for (Json::ArrayIndex k = 0; items && k < items->size(); ++k) {
        const int r = recordIndex < 0 ? writeScalar(msg, item, &(*items)[k], written, -1)
                                      : writeScalar(msg, item, &(*items)[k], recordIndex, written);
        if (r < 0)
            return -1;
        written += r;
    }
    return bad ? -1 : written;
}

int writeRecordList(CSOAPMessage& msg, const Json::Value& req, const char* arrayKey, const OnvifField* fields)
{
    bool bad = false;
    const Json::Value* records = arrayAt(req, arrayKey, bad);
    int position = 0;
    for (Json::ArrayIndex n = 0; records && n < records->size(); ++n) {
        const Json::Value& record = (*records)[n];
        if (record.isNull())
            continue;
        if (!record.isObject()) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] %s[%u] is not a record\n", arrayKey, n);
            return -1;
        }
        int written = 0;
        for (const OnvifField* f = fields; f && f->key; ++f) {
            const int r = f->type == FIELD_TEXT_LIST ? writeTextList(msg, record, f->key, f->path, position)
                                                     : writeScalar(msg, *f, findKey(record, f->key), position, -1);
            if (r < 0)
                return -1;
            written += r;
        }
        position += written > 0 ? 1 : 0;
    }
    return bad ? -1 : 0;
}

} // namespace Onvif
} // namespace RPC
