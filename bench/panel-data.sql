-- A large branch database for the panel benchmarks: 50 branches, 100
-- machines, a queue of 1,000,000 records and 200,000 errors.
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE i INTEGER = 1;
BEGIN
  WHILE (i <= 50) DO BEGIN
    INSERT INTO Filiais VALUES (LPAD(:i, 2, '0'), 'Filial ' || :i);
    INSERT INTO IgfMaquina VALUES (LPAD(:i, 2, '0'), '0001', '00:05', :i, 'now', 'now', 0);
    INSERT INTO IgfMaquina VALUES (LPAD(:i, 2, '0'), '0002', '00:05', :i, 'now', NULL, 0);
    i = i + 1;
  END
END^
EXECUTE BLOCK AS
DECLARE i INTEGER = 1;
BEGIN
  WHILE (i <= 1000000) DO BEGIN
    INSERT INTO MvIntegGeral (Ordem, Acao, Tabela, CHAVE0, DataEnvio, DataSinc)
    VALUES (:i, 'I', 'CLIENTE', :i,
            IIF(MOD(:i, 10) < 8, CAST('2026-12-01' AS DATE), NULL),
            IIF(MOD(:i, 10) < 6, CAST('2026-12-01' AS DATE), NULL));
    i = i + 1;
  END
END^
EXECUTE BLOCK AS
DECLARE i INTEGER = 1;
BEGIN
  WHILE (i <= 200000) DO BEGIN
    INSERT INTO IntegErro VALUES (LPAD(MOD(:i, 50) + 1, 2, '0'), :i, 'now', 'erro ' || :i,
                                  IIF(MOD(:i, 997) = 0, 'N', 'S'), IIF(MOD(:i, 2) = 0, '0001', '0002'));
    i = i + 1;
  END
END^
SET TERM ; ^
