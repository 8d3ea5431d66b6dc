#include "SoapValue.h"

#include "platform/Error.h"

namespace server {
namespace {

template <typename T> const T& get(const SoapValue& v, const char* what) {
    if (const T* p = std::get_if<T>(&v.data))
        return *p;
    throw platform::Error(std::string("SOAP value is not ") + what);
}

SoapValue::StructPtr makeStruct(const TypeInfo& type, std::vector<SoapValue> fields,
                                const void* identity) {
    auto s = std::make_shared<SoapStruct>();
    s->type = &type;
    s->identity = identity;
    s->fields = std::move(fields);
    return s;
}

template <typename T, typename F> SoapValue arrayOf(const std::vector<T>& items, F convert) {
    SoapValue::Array a;
    a.reserve(items.size());
    for (const auto& item : items)
        a.push_back(convert(item));
    return a;
}

template <typename F> auto mapArray(const SoapValue& v, F convert) {
    using R = decltype(convert(v));
    std::vector<R> out;
    if (std::holds_alternative<std::monostate>(v.data))
        return out;
    const auto& a = v.array();
    out.reserve(a.size());
    for (const auto& item : a)
        out.push_back(convert(item));
    return out;
}

const SoapStruct* structOf(const SoapValue& v) {
    if (std::holds_alternative<std::monostate>(v.data))
        return nullptr;
    return v.structure().get();
}

} // namespace

const std::string& SoapValue::text() const {
    return get<std::string>(*this, "a text");
}
std::int32_t SoapValue::integer() const {
    return get<std::int32_t>(*this, "an integer");
}
bool SoapValue::boolean() const {
    return get<bool>(*this, "a Boolean");
}
int SoapValue::enumIndex() const {
    return get<Enum>(*this, "an enumeration").index;
}
const SoapValue::Array& SoapValue::array() const {
    return get<Array>(*this, "an array");
}
const SoapValue::Texts& SoapValue::texts() const {
    return get<Texts>(*this, "an array of text");
}
const SoapValue::StructPtr& SoapValue::structure() const {
    return get<StructPtr>(*this, "a structure");
}

SoapValue emptyValue(const TypeInfo& type) {
    switch (type.kind) {
    case Kind::String:
        return std::string();
    case Kind::Integer:
        return std::int32_t{0};
    case Kind::Boolean:
        return false;
    case Kind::Enum:
        return SoapValue::Enum{0};
    case Kind::Array:
        if (type.element->kind == Kind::String)
            return SoapValue::Texts{};
        if (type.element->kind == Kind::Array && type.element->element->kind == Kind::String)
            return SoapValue::Rows{};
        return SoapValue::Array{};
    case Kind::Struct:
        return SoapValue::StructPtr{};
    }
    return {};
}

SoapValue toSoap(const TListaTabelas& v) {
    return SoapValue::Texts(v);
}
SoapValue toSoap(const TColecaoTipoCampoTabela& v) {
    return arrayOf(v, [](TFieldType t) { return SoapValue(SoapValue::Enum{static_cast<int>(t)}); });
}
SoapValue toSoap(const std::shared_ptr<TTabela>& v) {
    if (!v)
        return SoapValue::StructPtr{};
    return makeStruct(types::TTabela(),
                      {v->ID, v->NomeTabela, SoapValue::Enum{static_cast<int>(v->TipoAcao)},
                       toSoap(v->ValorCampos), toSoap(v->ChavePrimaria)},
                      v.get());
}
SoapValue toSoap(const std::shared_ptr<TEstruturaTabela>& v) {
    if (!v)
        return SoapValue::StructPtr{};
    return makeStruct(types::TEstruturaTabela(),
                      {v->NomeTabela, toSoap(v->CamposTabela), toSoap(v->TiposCampoTabela)},
                      v.get());
}
SoapValue toSoap(const TColecaoTabela& v) {
    return arrayOf(v, [](const auto& t) { return toSoap(t); });
}
SoapValue toSoap(const TColecaoEstruturaTabela& v) {
    return arrayOf(v, [](const auto& t) { return toSoap(t); });
}
SoapValue toSoap(const std::shared_ptr<TRetornoCliente>& v) {
    if (!v)
        return SoapValue::StructPtr{};
    return makeStruct(
        types::TRetornoCliente(),
        {v->Processado, v->IDSnc, toSoap(v->ColecaoTabela), toSoap(v->ColecaoEstrutura)}, v.get());
}
SoapValue toSoap(const TColMetaDadosCampos& v) {
    return SoapValue::Rows(v);
}
SoapValue toSoap(const std::shared_ptr<TMetaDadosTabela>& v) {
    if (!v)
        return SoapValue::StructPtr{};
    return makeStruct(types::TMetaDadosTabela(), {v->NomeTabela, toSoap(v->ColecaoMetadadosCampos)},
                      v.get());
}
SoapValue toSoap(const TColMetaDadosTabelas& v) {
    return arrayOf(v, [](const auto& t) { return toSoap(t); });
}
SoapValue toSoap(const std::shared_ptr<TRegistroFila>& v) {
    if (!v)
        return SoapValue::StructPtr{};
    return makeStruct(types::TRegistroFila(),
                      {v->ID, v->ID_Origem, v->NomeTabela, v->Maquina, v->DataSinc}, v.get());
}
SoapValue toSoap(const TColRegistroFila& v) {
    return arrayOf(v, [](const auto& t) { return toSoap(t); });
}

std::vector<std::string> stringsFrom(const SoapValue& v) {
    if (const auto* t = std::get_if<SoapValue::Texts>(&v.data))
        return *t;
    return mapArray(v, [](const SoapValue& s) { return s.text(); });
}
TColecaoTipoCampoTabela fieldTypesFrom(const SoapValue& v) {
    return mapArray(v, [](const SoapValue& s) { return static_cast<TFieldType>(s.enumIndex()); });
}
std::shared_ptr<TTabela> tabelaFrom(const SoapValue& v) {
    const SoapStruct* s = structOf(v);
    if (!s)
        return nullptr;
    auto t = std::make_shared<TTabela>();
    t->ID = s->fields[0].integer();
    t->NomeTabela = s->fields[1].text();
    t->TipoAcao = static_cast<TAcao>(s->fields[2].enumIndex());
    t->ValorCampos = stringsFrom(s->fields[3]);
    t->ChavePrimaria = stringsFrom(s->fields[4]);
    return t;
}
std::shared_ptr<TEstruturaTabela> estruturaFrom(const SoapValue& v) {
    const SoapStruct* s = structOf(v);
    if (!s)
        return nullptr;
    auto t = std::make_shared<TEstruturaTabela>();
    t->NomeTabela = s->fields[0].text();
    t->CamposTabela = stringsFrom(s->fields[1]);
    t->TiposCampoTabela = fieldTypesFrom(s->fields[2]);
    return t;
}
TColecaoTabela colecaoTabelaFrom(const SoapValue& v) {
    return mapArray(v, tabelaFrom);
}
TColecaoEstruturaTabela colecaoEstruturaFrom(const SoapValue& v) {
    return mapArray(v, estruturaFrom);
}
std::shared_ptr<TRetornoCliente> retornoClienteFrom(const SoapValue& v) {
    const SoapStruct* s = structOf(v);
    if (!s)
        return nullptr;
    auto t = std::make_shared<TRetornoCliente>();
    t->Processado = s->fields[0].boolean();
    t->IDSnc = s->fields[1].integer();
    t->ColecaoTabela = colecaoTabelaFrom(s->fields[2]);
    t->ColecaoEstrutura = colecaoEstruturaFrom(s->fields[3]);
    return t;
}
TColMetaDadosCampos metaDadosCamposFrom(const SoapValue& v) {
    if (const auto* r = std::get_if<SoapValue::Rows>(&v.data))
        return *r;
    return mapArray(v, stringsFrom);
}
std::shared_ptr<TMetaDadosTabela> metaDadosTabelaFrom(const SoapValue& v) {
    const SoapStruct* s = structOf(v);
    if (!s)
        return nullptr;
    auto t = std::make_shared<TMetaDadosTabela>();
    t->NomeTabela = s->fields[0].text();
    t->ColecaoMetadadosCampos = metaDadosCamposFrom(s->fields[1]);
    return t;
}
TColMetaDadosTabelas metaDadosTabelasFrom(const SoapValue& v) {
    return mapArray(v, metaDadosTabelaFrom);
}

TColMetaDadosTabelas metaDadosTabelasFrom(SoapValue&& v) {
    TColMetaDadosTabelas out;
    auto* a = std::get_if<SoapValue::Array>(&v.data);
    if (!a)
        return out;
    out.reserve(a->size());
    for (SoapValue& item : *a) {
        const SoapValue::StructPtr& s = item.structure();
        // A structure referenced from elsewhere too is copied, not emptied.
        if (!s || s.use_count() > 1) {
            out.push_back(metaDadosTabelaFrom(item));
            continue;
        }
        auto t = std::make_shared<TMetaDadosTabela>();
        t->NomeTabela = std::move(std::get<std::string>(s->fields[0].data));
        if (auto* rows = std::get_if<SoapValue::Rows>(&s->fields[1].data))
            t->ColecaoMetadadosCampos = std::move(*rows);
        else
            t->ColecaoMetadadosCampos = metaDadosCamposFrom(s->fields[1]);
        out.push_back(std::move(t));
        item = SoapValue(); // what was taken over goes at once
    }
    return out;
}
std::shared_ptr<TRegistroFila> registroFilaFrom(const SoapValue& v) {
    const SoapStruct* s = structOf(v);
    if (!s)
        return nullptr;
    auto t = std::make_shared<TRegistroFila>();
    t->ID = s->fields[0].integer();
    t->ID_Origem = s->fields[1].integer();
    t->NomeTabela = s->fields[2].text();
    t->Maquina = s->fields[3].text();
    t->DataSinc = s->fields[4].text();
    return t;
}
TColRegistroFila registrosFilaFrom(const SoapValue& v) {
    return mapArray(v, registroFilaFrom);
}

} // namespace server
