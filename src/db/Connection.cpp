#include "Connection.h"

#include "db/NamedSql.h"
#include "platform/Cp1252.h"
#include "platform/Error.h"

#include <firebird/Interface.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace db {
namespace {

using namespace Firebird;

IMaster* master() {
    static IMaster* m = fb_get_master_interface();
    return m;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::string rtrim(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// The client's own message text for a failed call.
std::string messageOf(IStatus* status) {
    char buf[2048];
    master()->getUtilInterface()->formatStatus(buf, sizeof buf, status);
    return platform::cp1252ToUtf8(buf);
}

// Errors after which the attachment is gone for good: the next statement
// opens a new one.
bool isLostConnection(IStatus* status) {
    const intptr_t* v = status->getErrors();
    for (; v && v[0] == isc_arg_gds; v += 2) {
        switch (v[1]) {
        case isc_network_error:
        case isc_net_read_err:
        case isc_net_write_err:
        case isc_lost_db_connection:
        case isc_att_shutdown:
        case isc_shutdown:
        case isc_conn_lost:
            return true;
        default:
            break;
        }
        // Skip the arguments of this error code up to the next code.
        v += 2;
        while (v[0] != isc_arg_end && v[0] != isc_arg_gds)
            v += 2;
        v -= 2;
    }
    return false;
}

struct StatusHolder {
    IStatus* status = master()->getStatus();
    ThrowStatusWrapper wrapper{status};
    ~StatusHolder() { status->dispose(); }
};

std::vector<unsigned char> makeTpb() {
    return {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
            isc_tpb_wait};
}

struct Prepared {
    IStatement* statement = nullptr;
    std::vector<std::string> names;
};

// Input message: every parameter in the type of the value handed to it; the
// server converts to the column's own type.
class InputMessage {
public:
    InputMessage(ThrowStatusWrapper* st, IAttachment* att, ITransaction* tra, IStatement* stmt,
                 const std::vector<std::string>& names, const Params& params) {
        IMessageMetadata* original = stmt->getInputMetadata(st);
        const unsigned count = original->getCount(st);
        if (count == 0) {
            original->release();
            return;
        }
        values_.reserve(count);
        for (unsigned i = 0; i < count; ++i) {
            const std::string& name = i < names.size() ? names[i] : std::string();
            auto it = std::find_if(params.begin(), params.end(),
                                   [&](const auto& p) { return equalsNoCase(p.first, name); });
            if (it == params.end())
                throw platform::Error("Parameter '" + name + "' not found");
            values_.push_back(&it->second);
        }
        IMetadataBuilder* builder = original->getBuilder(st);
        original->release();
        texts_.resize(count);
        for (unsigned i = 0; i < count; ++i) {
            const Value& v = *values_[i];
            switch (v.data().index()) {
            case 1: // int64
                builder->setType(st, i, SQL_INT64 + 1);
                builder->setScale(st, i, 0);
                builder->setLength(st, i, sizeof(ISC_INT64));
                break;
            case 2: // double
                builder->setType(st, i, SQL_DOUBLE + 1);
                builder->setScale(st, i, 0);
                builder->setLength(st, i, sizeof(double));
                break;
            case 4: // timestamp
                builder->setType(st, i, SQL_TIMESTAMP + 1);
                builder->setScale(st, i, 0);
                builder->setLength(st, i, sizeof(ISC_TIMESTAMP));
                break;
            default: // text, and null (its type does not matter)
                texts_[i] = platform::utf8ToCp1252(v.toText());
                if (texts_[i].size() > kMaxVarying) {
                    builder->setType(st, i, SQL_BLOB + 1);
                    builder->setSubType(st, i, 1);
                    builder->setCharSet(st, i, 0);
                    builder->setScale(st, i, 0);
                    builder->setLength(st, i, sizeof(ISC_QUAD));
                    break;
                }
                builder->setType(st, i, SQL_VARYING + 1);
                builder->setCharSet(st, i, 0); // NONE: bytes pass as they are
                builder->setScale(st, i, 0);
                builder->setLength(
                    st, i, static_cast<unsigned>(std::max<std::size_t>(1, texts_[i].size())));
                break;
            }
        }
        meta_ = builder->getMetadata(st);
        builder->release();
        buffer_.assign(meta_->getMessageLength(st), 0);
        IUtil* util = master()->getUtilInterface();
        for (unsigned i = 0; i < count; ++i) {
            const Value& v = *values_[i];
            unsigned char* field = buffer_.data() + meta_->getOffset(st, i);
            auto* nullFlag = reinterpret_cast<short*>(buffer_.data() + meta_->getNullOffset(st, i));
            *nullFlag = v.isNull() ? -1 : 0;
            if (v.isNull())
                continue;
            switch (v.data().index()) {
            case 1: {
                const ISC_INT64 x = std::get<std::int64_t>(v.data());
                std::memcpy(field, &x, sizeof x);
                break;
            }
            case 2: {
                const double x = std::get<double>(v.data());
                std::memcpy(field, &x, sizeof x);
                break;
            }
            case 4: {
                const Timestamp& t = std::get<Timestamp>(v.data());
                ISC_TIMESTAMP ts;
                ts.timestamp_date =
                    util->encodeDate(static_cast<unsigned>(t.year), static_cast<unsigned>(t.month),
                                     static_cast<unsigned>(t.day));
                ts.timestamp_time = util->encodeTime(
                    static_cast<unsigned>(t.hour), static_cast<unsigned>(t.minute),
                    static_cast<unsigned>(t.second), static_cast<unsigned>(t.fraction));
                std::memcpy(field, &ts, sizeof ts);
                break;
            }
            default: {
                if (texts_[i].size() > kMaxVarying) {
                    const ISC_QUAD id = writeBlob(st, att, tra, texts_[i]);
                    std::memcpy(field, &id, sizeof id);
                    break;
                }
                const auto len = static_cast<unsigned short>(texts_[i].size());
                std::memcpy(field, &len, sizeof len);
                std::memcpy(field + sizeof len, texts_[i].data(), len);
                break;
            }
            }
        }
    }
    ~InputMessage() {
        if (meta_)
            meta_->release();
    }
    InputMessage(const InputMessage&) = delete;
    InputMessage& operator=(const InputMessage&) = delete;

    IMessageMetadata* meta() const { return meta_; }
    void* data() { return buffer_.empty() ? nullptr : buffer_.data(); }

private:
    // Texts longer than a VARCHAR can carry go in as a blob.
    static constexpr std::size_t kMaxVarying = 32000;

    static ISC_QUAD writeBlob(ThrowStatusWrapper* st, IAttachment* att, ITransaction* tra,
                              const std::string& bytes) {
        ISC_QUAD id;
        IBlob* blob = att->createBlob(st, tra, &id, 0, nullptr);
        try {
            for (std::size_t pos = 0; pos < bytes.size(); pos += kMaxVarying) {
                const std::size_t n = std::min(kMaxVarying, bytes.size() - pos);
                blob->putSegment(st, static_cast<unsigned>(n), bytes.data() + pos);
            }
            blob->close(st);
        } catch (...) {
            blob->release();
            throw;
        }
        return id;
    }

private:
    std::vector<const Value*> values_;
    std::vector<std::string> texts_;
    IMessageMetadata* meta_ = nullptr;
    std::vector<unsigned char> buffer_;
};

// Reads one field of an output message.
class FieldReader {
public:
    FieldReader(ThrowStatusWrapper* st, IAttachment* att, ITransaction* tra, IMessageMetadata* meta)
        : st_(st), att_(att), tra_(tra), meta_(meta) {
        const unsigned count = meta->getCount(st);
        fields_.resize(count);
        for (unsigned i = 0; i < count; ++i) {
            Field& f = fields_[i];
            f.type = meta->getType(st, i) & ~1u;
            f.subType = meta->getSubType(st, i);
            f.length = meta->getLength(st, i);
            f.scale = meta->getScale(st, i);
            f.offset = meta->getOffset(st, i);
            f.nullOffset = meta->getNullOffset(st, i);
        }
    }

    std::vector<std::string> columnNames() const {
        std::vector<std::string> names;
        for (unsigned i = 0; i < fields_.size(); ++i)
            names.emplace_back(rtrim(meta_->getAlias(st_, i)));
        return names;
    }

    std::vector<Value> read(const unsigned char* msg) const {
        std::vector<Value> row;
        row.reserve(fields_.size());
        for (const Field& f : fields_)
            row.push_back(readField(f, msg));
        return row;
    }

private:
    struct Field {
        unsigned type, length, offset, nullOffset;
        int subType, scale;
    };

    static double scaled(ISC_INT64 v, int scale) {
        double x = static_cast<double>(v);
        for (int s = scale; s < 0; ++s)
            x /= 10;
        return x;
    }
    template <typename T> static T load(const unsigned char* p) {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    Value integer(ISC_INT64 v, int scale) const {
        return scale < 0 ? Value(scaled(v, scale)) : Value(static_cast<std::int64_t>(v));
    }

    Value readField(const Field& f, const unsigned char* msg) const {
        if (load<short>(msg + f.nullOffset) != 0)
            return {};
        const unsigned char* p = msg + f.offset;
        IUtil* util = master()->getUtilInterface();
        switch (f.type) {
        case SQL_TEXT:
            return platform::cp1252ToUtf8(
                std::string_view(reinterpret_cast<const char*>(p), f.length));
        case SQL_VARYING: {
            const auto len = load<unsigned short>(p);
            return platform::cp1252ToUtf8(
                std::string_view(reinterpret_cast<const char*>(p + 2), len));
        }
        case SQL_SHORT:
            return integer(load<short>(p), f.scale);
        case SQL_LONG:
            return integer(load<ISC_LONG>(p), f.scale);
        case SQL_INT64:
            return integer(load<ISC_INT64>(p), f.scale);
        case SQL_FLOAT:
            return static_cast<double>(load<float>(p));
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return load<double>(p);
        case SQL_BOOLEAN:
            return static_cast<std::int64_t>(*p ? 1 : 0);
        case SQL_TIMESTAMP: {
            const auto ts = load<ISC_TIMESTAMP>(p);
            Timestamp t;
            unsigned y, m, d, h, mi, s, frac;
            util->decodeDate(ts.timestamp_date, &y, &m, &d);
            util->decodeTime(ts.timestamp_time, &h, &mi, &s, &frac);
            t = {static_cast<int>(y),
                 static_cast<int>(m),
                 static_cast<int>(d),
                 static_cast<int>(h),
                 static_cast<int>(mi),
                 static_cast<int>(s),
                 static_cast<int>(frac),
                 true,
                 true};
            return t;
        }
        case SQL_TYPE_DATE: {
            unsigned y, m, d;
            util->decodeDate(load<ISC_DATE>(p), &y, &m, &d);
            Timestamp t;
            t.year = static_cast<int>(y);
            t.month = static_cast<int>(m);
            t.day = static_cast<int>(d);
            t.hasTime = false;
            return t;
        }
        case SQL_TYPE_TIME: {
            unsigned h, mi, s, frac;
            util->decodeTime(load<ISC_TIME>(p), &h, &mi, &s, &frac);
            Timestamp t;
            t.hour = static_cast<int>(h);
            t.minute = static_cast<int>(mi);
            t.second = static_cast<int>(s);
            t.fraction = static_cast<int>(frac);
            t.hasDate = false;
            return t;
        }
        case SQL_BLOB:
            return platform::cp1252ToUtf8(readBlob(load<ISC_QUAD>(p)));
        default:
            throw platform::Error("Unsupported column type " + std::to_string(f.type));
        }
    }

    std::string readBlob(ISC_QUAD id) const {
        IBlob* blob = att_->openBlob(st_, tra_, &id, 0, nullptr);
        std::string out;
        char buf[32768];
        try {
            for (;;) {
                unsigned got = 0;
                const int rc = blob->getSegment(st_, sizeof buf, buf, &got);
                if (rc == IStatus::RESULT_NO_DATA)
                    break;
                out.append(buf, got);
            }
            blob->close(st_);
        } catch (...) {
            blob->release();
            throw;
        }
        return out;
    }

    ThrowStatusWrapper* st_;
    IAttachment* att_;
    ITransaction* tra_;
    IMessageMetadata* meta_;
    std::vector<Field> fields_;
};

} // namespace

int Result::indexOf(std::string_view name) const {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (equalsNoCase(columns[i], name))
            return static_cast<int>(i);
    return -1;
}

const Value& Result::at(std::size_t row, std::string_view column) const {
    const int i = indexOf(column);
    if (i < 0)
        throw platform::Error(std::string(column) + ": Field not found");
    return rows.at(row).at(static_cast<std::size_t>(i));
}

struct Connection::Impl {
    ConnectionSettings settings;
    StatusHolder status;
    IAttachment* attachment = nullptr;
    ITransaction* transaction = nullptr; // the explicit one, when active
    std::unordered_map<std::string, Prepared> prepared;
    int preparedCount = 0;

    ThrowStatusWrapper* st() { return &status.wrapper; }

    // Forgets the attachment without talking to it: after a lost connection
    // every call on it would only fail again.
    void drop() {
        for (auto& [sql, p] : prepared)
            p.statement->release();
        prepared.clear();
        if (transaction) {
            transaction->release();
            transaction = nullptr;
        }
        if (attachment) {
            attachment->release();
            attachment = nullptr;
        }
    }

    [[noreturn]] void fail(const FbException& e) {
        const std::string message = messageOf(e.getStatus());
        if (isLostConnection(e.getStatus()))
            drop();
        throw platform::Error(message);
    }

    void ensureOpen() {
        if (!attachment)
            open();
    }

    void open() {
        try {
            IUtil* util = master()->getUtilInterface();
            IXpbBuilder* dpb = util->getXpbBuilder(st(), IXpbBuilder::DPB, nullptr, 0);
            dpb->insertString(st(), isc_dpb_user_name,
                              platform::utf8ToCp1252(settings.user).c_str());
            dpb->insertString(st(), isc_dpb_password,
                              platform::utf8ToCp1252(settings.password).c_str());
            dpb->insertString(st(), isc_dpb_sql_role_name, settings.role.c_str());
            dpb->insertInt(st(), isc_dpb_sql_dialect, 1);
            IProvider* provider = master()->getDispatcher();
            try {
                attachment = provider->attachDatabase(
                    st(), platform::utf8ToCp1252(settings.database).c_str(),
                    dpb->getBufferLength(st()), dpb->getBuffer(st()));
            } catch (...) {
                provider->release();
                dpb->dispose();
                throw;
            }
            provider->release();
            dpb->dispose();
        } catch (const FbException& e) {
            attachment = nullptr;
            throw platform::Error(messageOf(e.getStatus()));
        }
    }

    void close() {
        if (!attachment)
            return;
        try {
            for (auto& [sql, p] : prepared)
                p.statement->free(st());
            prepared.clear();
            if (transaction) {
                transaction->rollback(st());
                transaction = nullptr;
            }
            attachment->detach(st());
            attachment = nullptr;
        } catch (const FbException&) {
            // The database is gone already; nothing is left to close politely.
            drop();
        }
    }

    ITransaction* begin() {
        const auto tpb = makeTpb();
        return attachment->startTransaction(st(), static_cast<unsigned>(tpb.size()), tpb.data());
    }

    Prepared& prepare(std::string_view sql, ITransaction* tra) {
        std::string key(sql);
        auto it = prepared.find(key);
        if (it != prepared.end())
            return it->second;
        NamedSql parsed = parseNamedSql(sql);
        const std::string text = platform::utf8ToCp1252(parsed.sql);
        IStatement* stmt = attachment->prepare(st(), tra, 0, text.c_str(), 1,
                                               IStatement::PREPARE_PREFETCH_METADATA);
        ++preparedCount;
        return prepared.emplace(std::move(key), Prepared{stmt, std::move(parsed.names)})
            .first->second;
    }

    // Runs the statement in `tra`; fetches rows when it returns any.
    std::int64_t run(std::string_view sql, const Params& params, ITransaction* tra,
                     Result* result) {
        Prepared& p = prepare(sql, tra);
        InputMessage input(st(), attachment, tra, p.statement, p.names, params);
        IMessageMetadata* outMeta = p.statement->getOutputMetadata(st());
        std::int64_t affected = 0;
        try {
            const unsigned outCount = outMeta->getCount(st());
            std::vector<unsigned char> out(outMeta->getMessageLength(st()));
            FieldReader reader(st(), attachment, tra, outMeta);
            if (result)
                result->columns = reader.columnNames();
            if (p.statement->getFlags(st()) & IStatement::FLAG_HAS_CURSOR) {
                IResultSet* rs =
                    p.statement->openCursor(st(), tra, input.meta(), input.data(), outMeta, 0);
                try {
                    while (rs->fetchNext(st(), out.data()) == IStatus::RESULT_OK)
                        if (result)
                            result->rows.push_back(reader.read(out.data()));
                    rs->close(st());
                } catch (...) {
                    rs->release();
                    throw;
                }
            } else {
                p.statement->execute(st(), tra, input.meta(), input.data(),
                                     outCount ? outMeta : nullptr, outCount ? out.data() : nullptr);
                if (outCount && result)
                    result->rows.push_back(reader.read(out.data()));
                affected = static_cast<std::int64_t>(p.statement->getAffectedRecords(st()));
            }
        } catch (...) {
            outMeta->release();
            throw;
        }
        outMeta->release();
        return affected;
    }

    std::int64_t statement(std::string_view sql, const Params& params, Result* result) {
        try {
            ensureOpen();
            if (transaction)
                return run(sql, params, transaction, result);
            ITransaction* tra = begin();
            try {
                const auto n = run(sql, params, tra, result);
                tra->commit(st());
                return n;
            } catch (...) {
                try {
                    tra->rollback(st());
                } catch (const FbException&) {
                    tra->release();
                }
                throw;
            }
        } catch (const FbException& e) {
            fail(e);
        }
    }
};

Connection::Connection() : d(std::make_unique<Impl>()) {}

Connection::~Connection() {
    d->close();
}

void Connection::setSettings(ConnectionSettings settings) {
    d->settings = std::move(settings);
}

const ConnectionSettings& Connection::settings() const {
    return d->settings;
}

void Connection::open() {
    if (!d->attachment)
        d->open();
}

void Connection::close() {
    d->close();
}

bool Connection::isOpen() const {
    return d->attachment != nullptr;
}

Result Connection::query(std::string_view sql, const Params& params) {
    Result r;
    d->statement(sql, params, &r);
    return r;
}

std::int64_t Connection::execute(std::string_view sql, const Params& params) {
    return d->statement(sql, params, nullptr);
}

void Connection::startTransaction() {
    if (d->transaction)
        throw platform::Error("Transaction is already active");
    try {
        d->ensureOpen();
        d->transaction = d->begin();
    } catch (const FbException& e) {
        d->fail(e);
    }
}

void Connection::commit() {
    if (!d->transaction)
        throw platform::Error("Transaction is not active");
    try {
        d->transaction->commit(d->st());
        d->transaction = nullptr;
    } catch (const FbException& e) {
        d->fail(e);
    }
}

void Connection::rollback() {
    if (!d->transaction)
        throw platform::Error("Transaction is not active");
    try {
        d->transaction->rollback(d->st());
        d->transaction = nullptr;
    } catch (const FbException& e) {
        // A rollback that cannot reach the server still ends the transaction here.
        if (d->transaction) {
            d->transaction->release();
            d->transaction = nullptr;
        }
        d->fail(e);
    }
}

void Connection::executeDirect(std::string_view sql) {
    try {
        d->ensureOpen();
        ITransaction* tra = d->transaction ? d->transaction : d->begin();
        try {
            const std::string text = platform::utf8ToCp1252(sql);
            d->attachment->execute(d->st(), tra, 0, text.c_str(), 1, nullptr, nullptr, nullptr,
                                   nullptr);
            if (tra != d->transaction)
                tra->commit(d->st());
        } catch (...) {
            if (tra != d->transaction) {
                try {
                    tra->rollback(d->st());
                } catch (const FbException&) {
                    tra->release();
                }
            }
            throw;
        }
    } catch (const FbException& e) {
        d->fail(e);
    }
}

bool Connection::inTransaction() const {
    return d->transaction != nullptr;
}

std::vector<std::string> Connection::tableNames() {
    const Result r = query("select rdb$relation_name from rdb$relations "
                           "where coalesce(rdb$system_flag, 0) = 0 order by rdb$relation_name");
    std::vector<std::string> names;
    names.reserve(r.rows.size());
    for (const auto& row : r.rows)
        names.push_back(rtrim(row[0].toText()));
    return names;
}

int Connection::preparedCount() const {
    return d->preparedCount;
}

void Connection::createDatabase(const std::string& path, const std::string& user,
                                const std::string& password, int dialect) {
    StatusHolder status;
    ThrowStatusWrapper* st = &status.wrapper;
    try {
        IUtil* util = master()->getUtilInterface();
        IXpbBuilder* dpb = util->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(st, isc_dpb_user_name, user.c_str());
        dpb->insertString(st, isc_dpb_password, password.c_str());
        dpb->insertInt(st, isc_dpb_sql_dialect, dialect);
        dpb->insertInt(st, isc_dpb_page_size, 8192);
        dpb->insertString(st, isc_dpb_set_db_charset, "WIN1252");
        IProvider* provider = master()->getDispatcher();
        IAttachment* att = nullptr;
        try {
            att = provider->createDatabase(st, path.c_str(), dpb->getBufferLength(st),
                                           dpb->getBuffer(st));
        } catch (...) {
            provider->release();
            dpb->dispose();
            throw;
        }
        provider->release();
        dpb->dispose();
        att->detach(st);
    } catch (const FbException& e) {
        throw platform::Error(messageOf(e.getStatus()));
    }
}

} // namespace db
