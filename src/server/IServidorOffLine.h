#pragma once

#include "server/Contract.h"
#include "server/SoapValue.h"

#include <string>

namespace server {

// What carries one call: the transport of the SOAP client object.
class SoapCaller {
public:
    virtual ~SoapCaller() = default;
    // The namespace of the operation element (from the service description).
    virtual std::string operationNamespace(const Operation& op) = 0;
    // Posts the request and returns the response body.
    virtual std::string call(const Operation& op, const std::string& request) = 0;
};

// The central server's interface: each call is encoded, carried by the
// caller and decoded; failures raise platform::Error with their message.
class IServidorOffLine {
public:
    explicit IServidorOffLine(SoapCaller& caller) : caller_(caller) {}

    std::int32_t FRetornaUltimoId(const std::string& VfEmpresa, const std::string& VfIntervalo,
                                  std::int32_t VfQtdRegReceb, const std::string& VpMaquinaECF);
    bool EnviaTabelas(const std::string& VFEmpresa, const TColecaoTabela& VFTabelas,
                      const TColecaoEstruturaTabela& VfEstruturas, const std::string& VpMaquinaECF);
    std::shared_ptr<TRetornoCliente> FRetornaAtualizacao(const std::string& VfEmpresa,
                                                         bool VIntegEstFilialLocal,
                                                         const std::string& VpMaquinaECF);
    void PConfirmaSincronizacao(const std::string& VpCodEmpresa, const std::string& VpIdSnc,
                                const std::string& VpMaquinaEcf);
    void PGravarErro(const std::string& VpCodEmpresa, const std::string& VpErro,
                     const std::string& VpMaquinaEcf);
    void PDeletaIntegMaquina(const std::string& VpCodEmpresa, std::int32_t VpOrdem,
                             const std::string& VpMaquinaECF);
    bool FTestaConexao();
    std::int32_t FRetornaQtdRegistrosIntegrar(const std::string& VfCodEmpresaLocal,
                                              const std::string& VpMaquinaECF);
    TColMetaDadosTabelas FRetornaMetaDadosTabelas(const TListaTabelas& VFListaTabelas);
    TColRegistroFila RetornaRegistrosIntegrados(const std::string& pCodEmpresaLocal,
                                                std::int32_t pID_BASE,
                                                const std::string& pMaquinaECF);

private:
    SoapValue invoke(std::string_view name, std::vector<SoapValue> args);
    SoapCaller& caller_;
};

} // namespace server
