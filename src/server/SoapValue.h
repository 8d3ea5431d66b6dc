#pragma once

#include "server/Contract.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace server {

struct SoapStruct;

// One value of the contract in wire form: what the encoder writes and the
// decoder reads, whatever its declared type.
struct SoapValue {
    struct Enum {
        int index = 0;
        friend bool operator==(const Enum&, const Enum&) = default;
    };
    using Array = std::vector<SoapValue>;
    // Arrays of text are held as plain texts: the bulk of every answer.
    using Texts = std::vector<std::string>;
    // And arrays of arrays of text (the column entries of every table).
    using Rows = std::vector<std::vector<std::string>>;
    using StructPtr = std::shared_ptr<SoapStruct>; // null: absent structure

    std::variant<std::monostate, std::string, std::int32_t, bool, Enum, Array, StructPtr, Texts,
                 Rows>
        data;

    SoapValue() = default;
    SoapValue(std::string s) : data(std::move(s)) {}
    SoapValue(const char* s) : data(std::string(s)) {}
    SoapValue(std::int32_t i) : data(i) {}
    SoapValue(bool b) : data(b) {}
    SoapValue(Enum e) : data(e) {}
    SoapValue(Array a) : data(std::move(a)) {}
    SoapValue(StructPtr s) : data(std::move(s)) {}
    SoapValue(Texts t) : data(std::move(t)) {}
    SoapValue(Rows r) : data(std::move(r)) {}

    const std::string& text() const;
    std::int32_t integer() const;
    bool boolean() const;
    int enumIndex() const;
    const Array& array() const;
    const StructPtr& structure() const;
    const Texts& texts() const;
};

struct SoapStruct {
    const TypeInfo* type = nullptr;
    // The contract object it stands for: one object referenced twice is
    // written once.
    const void* identity = nullptr;
    std::vector<SoapValue> fields; // in declaration order
};

// The empty value of a type: "", 0, false, first enumeration value, empty
// array, absent structure.
SoapValue emptyValue(const TypeInfo& type);

// Typed contract values to wire form and back.
SoapValue toSoap(const TListaTabelas& v);
SoapValue toSoap(const TColecaoTipoCampoTabela& v);
SoapValue toSoap(const std::shared_ptr<TTabela>& v);
SoapValue toSoap(const std::shared_ptr<TEstruturaTabela>& v);
SoapValue toSoap(const std::shared_ptr<TRetornoCliente>& v);
SoapValue toSoap(const std::shared_ptr<TMetaDadosTabela>& v);
SoapValue toSoap(const std::shared_ptr<TRegistroFila>& v);
SoapValue toSoap(const TColecaoTabela& v);
SoapValue toSoap(const TColecaoEstruturaTabela& v);
SoapValue toSoap(const TColMetaDadosCampos& v);
SoapValue toSoap(const TColMetaDadosTabelas& v);
SoapValue toSoap(const TColRegistroFila& v);

std::vector<std::string> stringsFrom(const SoapValue& v);
TColecaoTipoCampoTabela fieldTypesFrom(const SoapValue& v);
std::shared_ptr<TTabela> tabelaFrom(const SoapValue& v);
std::shared_ptr<TEstruturaTabela> estruturaFrom(const SoapValue& v);
std::shared_ptr<TRetornoCliente> retornoClienteFrom(const SoapValue& v);
std::shared_ptr<TMetaDadosTabela> metaDadosTabelaFrom(const SoapValue& v);
std::shared_ptr<TRegistroFila> registroFilaFrom(const SoapValue& v);
TColMetaDadosCampos metaDadosCamposFrom(const SoapValue& v);
TColMetaDadosTabelas metaDadosTabelasFrom(const SoapValue& v);
// The same, taking the texts over instead of copying them (large answers).
TColMetaDadosTabelas metaDadosTabelasFrom(SoapValue&& v);
TColecaoTabela colecaoTabelaFrom(const SoapValue& v);
TColecaoEstruturaTabela colecaoEstruturaFrom(const SoapValue& v);
TColRegistroFila registrosFilaFrom(const SoapValue& v);

} // namespace server
