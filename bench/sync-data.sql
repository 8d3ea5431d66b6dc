-- 10,000 pending records of branch 01 spread over 50 replicated tables.
INSERT INTO Filiais VALUES ('01', 'Matriz');
INSERT INTO IgfMaquina VALUES ('01', '0001', '00:05', 0, NULL, NULL, 0);
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE i INTEGER = 1;
BEGIN
  WHILE (i <= 50) DO BEGIN
    EXECUTE STATEMENT 'CREATE TABLE T' || :i || ' (A INTEGER NOT NULL, B VARCHAR(20) NOT NULL, C INTEGER, CONSTRAINT PK_T' || :i || ' PRIMARY KEY (A, B))';
    i = i + 1;
  END
END^
EXECUTE BLOCK AS
DECLARE i INTEGER = 1;
BEGIN
  WHILE (i <= 10000) DO BEGIN
    INSERT INTO MvIntegGeral (Ordem, Acao, Tabela, CHAVE0, CHAVE1)
    VALUES (:i, 'I', 'T' || (MOD(:i, 50) + 1), :i, 'chave ' || :i);
    i = i + 1;
  END
END^
SET TERM ; ^
