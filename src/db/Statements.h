#pragma once

// Every statement the panel sends, character for character as the
// integration databases expect them. Windows refer to them by name.

#include <string>
#include <string_view>

namespace db::sql {

// Status rows of the main panel: one per machine of each branch.
inline constexpr std::string_view Filiais = R"sql(Select Filiais.CodEmpresa,
           Filiais.CodEmpresa || ' - ' || Filiais.NomeEmpresa As Nome,
           IgfMaquina.MaquinaECF,
           IgfMaquina.Intervalo, IgfMaquina.QtdRegReceb,
           IgfMaquina.UltReceb, IgfMaquina.UltEnvio,
            ( Select Count(*) From MvIntegGeral
               Where MvIntegGeral.DataEnvio Is Null
            ) As QtdRegEnviar,
            ( Select Count(*) From MvIntegGeral
               Where MvIntegGeral.DataEnvio Is Not Null and
                     MvIntegGeral.datasinc is null
            ) As QtdRegAConfirmar,
    IIF((Select Count(IntegErro.CodEmpresa) From IntegErro Where IntegErro.CodEmpresa = IgfMaquina.Maquina
         And IntegErro.MaquinaECF = IgfMaquina.MaquinaECF
         And IntegErro.Conferido = 'N') = 0,'Não','Sim') As StatusErro
From IgfMaquina
Inner Join Filiais on IgfMaquina.Maquina = Filiais.CodEmpresa
Order By Filiais.NomeEmpresa)sql";

// What the panel runs instead of Filiais: the statement above makes the
// server count the whole queue once per status row, which freezes the panel
// on a large queue. These two give the same rows, reading the queue once.
inline constexpr std::string_view FiliaisFila =
    R"sql(Select Count(IIF(MvIntegGeral.DataEnvio Is Null, 1, Null)) As QtdRegEnviar,
       Count(IIF(MvIntegGeral.DataEnvio Is Not Null and
                 MvIntegGeral.datasinc is null, 1, Null)) As QtdRegAConfirmar
From MvIntegGeral)sql";

inline constexpr std::string_view FiliaisMaquinas = R"sql(Select Filiais.CodEmpresa,
           Filiais.CodEmpresa || ' - ' || Filiais.NomeEmpresa As Nome,
           IgfMaquina.MaquinaECF,
           IgfMaquina.Intervalo, IgfMaquina.QtdRegReceb,
           IgfMaquina.UltReceb, IgfMaquina.UltEnvio,
    IIF(Exists(Select 1 From IntegErro Where IntegErro.CodEmpresa = IgfMaquina.Maquina
         And IntegErro.MaquinaECF = IgfMaquina.MaquinaECF
         And IntegErro.Conferido = 'N'),'Sim','Não') As StatusErro
From IgfMaquina
Inner Join Filiais on IgfMaquina.Maquina = Filiais.CodEmpresa
Order By Filiais.NomeEmpresa)sql";

// Central server connection parameters.
inline constexpr std::string_view ParaOffLine =
    "Select WSDLServ, ServicoServ, PortaServ, IPProxy, UsuarioProxy, SenhaProxy From ParaOffLine";

inline constexpr std::string_view ParaWeb = "Select UTILIZAINTEGWEBSERVICE from PARAWEB";

// Integration triggers of a table. AND binds before OR: a trigger named
// <table>_ALT or <table>_EXC on any relation also marks the table.
inline constexpr std::string_view Triggers = R"sql(SELECT RDB$TRIGGERS.RDB$TRIGGER_NAME
FROM RDB$TRIGGERS
WHERE RDB$TRIGGERS.RDB$RELATION_NAME = :TABELA
  AND RDB$TRIGGERS.RDB$TRIGGER_NAME  = :INC
   OR RDB$TRIGGERS.RDB$TRIGGER_NAME  = :ALT
   OR RDB$TRIGGERS.RDB$TRIGGER_NAME  = :EXC)sql";

// Column structure of a table, in column order.
inline constexpr std::string_view SqlTabelas =
    R"sql(Select Cast(r.rdb$Field_Name as Varchar(31)) As Campo,
       CASE f.RDB$FIELD_TYPE
       WHEN 261 THEN "BLOB"
       WHEN 14 THEN "CHAR"
       WHEN 40 THEN "CSTRING"
       WHEN 11 THEN "D_FLOAT"
       WHEN 27 THEN "NUMERICO"
       WHEN 10 THEN "FLOAT"
       WHEN 16 THEN "INT64"
       WHEN 8 THEN "INTEIRO"
       WHEN 9 THEN "QUAD"
       WHEN 7 THEN "SMALLINT"
       WHEN 12 THEN "DATE"
       WHEN 13 THEN "TIME"
       WHEN 35 THEN "DATA"
       WHEN 37 THEN "VARCHAR"
       ELSE "DESCONHECIDO"
       END AS Tipo,
       f.RDB$FIELD_LENGTH AS Tamanho,
       CASE Coalesce(r.rdb$Null_Flag,0) When 1 Then "S" Else "N" END  As NotNull,
       IIf ((SELECT ISEG.rdb$index_name
            FROM RDB$RELATION_CONSTRAINTS RCON, RDB$INDEX_SEGMENTS ISEG
           WHERE RCON.RDB$CONSTRAINT_TYPE = "PRIMARY KEY"
             AND RCON.RDB$RELATION_NAME = r.rdb$relation_name
             AND RCON.RDB$INDEX_NAME = ISEG.RDB$INDEX_NAME
             AND ISEG.RDB$FIELD_NAME = r.rdb$Field_Name) Is Null,"N","S") AS CHAVEPRIMARIA,
       IIf ((SELECT ISEG.rdb$index_name
            FROM RDB$RELATION_CONSTRAINTS RCON, RDB$INDEX_SEGMENTS ISEG
           WHERE RCON.RDB$CONSTRAINT_TYPE = "FOREIGN KEY"
             AND RCON.RDB$RELATION_NAME = r.rdb$relation_name
             AND RCON.RDB$INDEX_NAME = ISEG.RDB$INDEX_NAME
             AND ISEG.RDB$FIELD_NAME = r.rdb$Field_Name) Is Null,"N","S") AS CHAVEESTRANGEIRA,
(SELECT ISEG.RDB$FIELD_POSITION
FROM RDB$RELATION_CONSTRAINTS RCON
INNER JOIN RDB$INDEX_SEGMENTS ISEG ON RCON.RDB$INDEX_NAME = ISEG.RDB$INDEX_NAME
           WHERE RCON.RDB$CONSTRAINT_TYPE = "PRIMARY KEY"
             AND RCON.RDB$RELATION_NAME = r.rdb$relation_name
             AND ISEG.RDB$FIELD_NAME = r.rdb$Field_Name) + 1 As POSICAOCHAVEPRIMARIA  /*como a posicao na chave primária inicia do 0, incrementa 1*/
From rdb$relation_fields r
LEFT JOIN RDB$FIELDS f ON r.RDB$FIELD_SOURCE = f.RDB$FIELD_NAME
Where r.rdb$relation_name = :NomeTabela
Order By r.Rdb$Field_Position)sql";

// Primary-key columns of a table, in key order.
inline constexpr std::string_view ChavePrimaria = R"sql(SELECT RDB$INDEX_SEGMENTS.RDB$FIELD_NAME
FROM RDB$RELATION_CONSTRAINTS
INNER JOIN RDB$INDEX_SEGMENTS 
ON RDB$RELATION_CONSTRAINTS.RDB$INDEX_NAME = RDB$INDEX_SEGMENTS.RDB$INDEX_NAME
WHERE RDB$RELATION_CONSTRAINTS.RDB$RELATION_NAME   = :TABELA
AND RDB$RELATION_CONSTRAINTS.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'
ORDER BY RDB$INDEX_SEGMENTS.RDB$FIELD_POSITION)sql";

// Error viewer: the list query as a new window holds it (unreviewed errors),
// and the pieces the filter rebuilds it from.
inline constexpr std::string_view IntegErroInicial = "Select *\n"
                                                     "From IntegErro\n"
                                                     "Where CodEmpresa = :PCodEmpresa\n"
                                                     "And Conferido = 'N'\n"
                                                     "Order By DataErro Desc";
inline constexpr std::string_view IntegErroSelect =
    "Select * From IntegErro Where CodEmpresa = :PCodEmpresa";
inline constexpr std::string_view IntegErroNaoConferidos = "And Conferido = 'N'";
inline constexpr std::string_view IntegErroOrdem = "Order By DataErro Desc";

// One line each, blanks included, as the integration databases have always
// received them.
inline constexpr std::string_view GravarConferido =
    "Update IntegErro Set Conferido = :PConferido Where CodEmpresa  = :PCodEmpresa              "
    "And IdIntegErro = :PIdIntegErro          ";
inline constexpr std::string_view ExcluirErros =
    "Delete From IntegErro             Where CodEmpresa  = :PCodEmpresa";
static_assert(GravarConferido.size() == 132);
static_assert(ExcluirErros.size() == 66);

// Synchronized-records window: the 15 latest received records of a branch.
inline constexpr std::string_view RegReceb =
    R"sql(Select First 15 IntegReceb.Ordem, IntegReceb.Tabela, IntegReceb.Chave
From IntegReceb
Where IntegReceb.CodEmpresa = :PCodEmpresa
Order By IntegReceb.Ordem Desc)sql";

// Queue records of a branch past its machine's UltIdServer: every table but
// TRANSFESTOQUE and MVGERAL, whose records carry the branch in Chave3 and
// Chave0. The last sent (DATASINC set) and the next to send (DATASINC null).
inline constexpr std::string_view RegEnviado =
    R"sql(Select First 15 MvIntegGeral.* From MvIntegGeral
Where (( MvIntegGeral.Ordem > ( Select first 1 IgfMaquina.UltIdServer From IgfMaquina
      Where IgfMaquina.Maquina = :PMaquina )
And MvIntegGeral.Tabela Not In ( 'TRANSFESTOQUE','MVGERAL') )
Or
( MvIntegGeral.Ordem > ( Select first 1 IgfMaquina.UltIdServer From IgfMaquina
      Where IgfMaquina.Maquina = :PMaquina)
And ( ( MvIntegGeral.Tabela = 'TRANSFESTOQUE'
And MvIntegGeral.Chave3 = :PMaquina )
Or ( MvIntegGeral.Tabela = 'MVGERAL'
And MvIntegGeral.Chave0 = :PMaquina ) )
))
And MvIntegGeral.DATASINC is not Null
Order By MvIntegGeral.Ordem)sql";

inline constexpr std::string_view PrxReg = R"sql(Select First 15 MvIntegGeral.* From MvIntegGeral
Where (( MvIntegGeral.Ordem > ( Select first 1 IgfMaquina.UltIdServer From IgfMaquina
      Where IgfMaquina.Maquina = :PMaquina )
And MvIntegGeral.Tabela Not In ( 'TRANSFESTOQUE','MVGERAL') )
Or
( MvIntegGeral.Ordem > ( Select first 1 IgfMaquina.UltIdServer From IgfMaquina
      Where IgfMaquina.Maquina = :PMaquina)
And ( ( MvIntegGeral.Tabela = 'TRANSFESTOQUE'
And MvIntegGeral.Chave3 = :PMaquina )
Or ( MvIntegGeral.Tabela = 'MVGERAL'
And MvIntegGeral.Chave0 = :PMaquina ) )
))
And MvIntegGeral.DATASINC is Null
Order By MvIntegGeral.Ordem)sql";

// Every pending record ("&Todos os registros"): PrxReg without its outer
// First 15. The subselects keep their "first 1": a branch with two machines
// would otherwise make them return two values and the list fail.
std::string PrxRegTodos();

} // namespace db::sql
